#include "text/texte_html.h"

#include <cstdio>

const TexteComposant& TexteHTML::Retenir(unsigned char octet) {
    TexteComposant& texte = textes_[octet];
    texte = Demander(octet);
    return texte;
}

bool TexteHTML::Ajouter(std::uint32_t code, std::string& sortie) {
    if (code > 0xFF) {
        // Beyond Latin-1 the component has nothing to say; HTML's numeric
        // reference keeps the character.
        char reference[16];
        sortie.append(reference, ReferenceNumerique(code, reference));
        return true;
    }
    const TexteComposant& texte = Texte(static_cast<unsigned char>(code));
    sortie.append(texte.octets.data(), static_cast<std::size_t>(texte.longueur));
    return texte.longueur != 0;
}

std::size_t ReferenceNumerique(std::uint32_t code, char (&tampon)[16]) {
    return static_cast<std::size_t>(std::snprintf(tampon, sizeof tampon, "&#%u;", static_cast<unsigned>(code)));
}

std::string NomCaractere(std::uint32_t code) {
    char nom[16];
    std::snprintf(nom, sizeof nom, "U+%04X", static_cast<unsigned>(code));
    return nom;
}
