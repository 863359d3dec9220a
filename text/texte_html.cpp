#include "text/texte_html.h"

#include <cstdio>

const TexteComposant& TexteHTML::Retenir(unsigned char octet) {
    TexteComposant& texte = textes_[octet];
    texte = Demander(octet);
    return texte;
}

std::string_view TexteHTML::Html(std::uint32_t code) {
    // Beyond Latin-1 the component has nothing to say; HTML's numeric
    // reference keeps the character.
    if (code > 0xFF) return {reference_, ReferenceNumerique(code, reference_)};
    const TexteComposant& texte = Texte(static_cast<unsigned char>(code));
    return {texte.octets.data(), static_cast<std::size_t>(texte.longueur)};
}

std::size_t ReferenceNumerique(std::uint32_t code, char (&tampon)[16]) {
    return static_cast<std::size_t>(std::snprintf(tampon, sizeof tampon, "&#%u;", static_cast<unsigned>(code)));
}

std::string NomCaractere(std::uint32_t code) {
    char nom[16];
    std::snprintf(nom, sizeof nom, "U+%04X", static_cast<unsigned>(code));
    return nom;
}
