#include "text/texte_html.h"

#include <cstdio>
#include <cstring>

// The component's answer for a byte never changes: it is asked once for
// each byte value met, and its text kept.
const TexteComposant& TexteHTML::Retenir(unsigned char octet) {
    ResultatTraduction resultat;
    const HRESULT hr = traducteur_->Traduire(octet, &resultat);
    if (FAILED(hr) || resultat.longueur < 0 || resultat.longueur > 64) Echec(octet, hr);
    TexteComposant& texte = textes_[octet];
    std::memcpy(texte.octets.data(), resultat.texte, static_cast<std::size_t>(resultat.longueur));
    texte.longueur = resultat.longueur;
    return texte;
}

std::string_view TexteHTML::Html(std::uint32_t code) {
    // Beyond Latin-1 the component has nothing to say; HTML's numeric
    // reference keeps the character.
    if (code > 0xFF) return {reference_, ReferenceNumerique(code, reference_)};
    const TexteComposant& texte = Texte(static_cast<unsigned char>(code));
    return {texte.octets.data(), static_cast<std::size_t>(texte.longueur)};
}

std::string NomCaractere(std::uint32_t code) {
    char nom[16];
    std::snprintf(nom, sizeof nom, "U+%04X", static_cast<unsigned>(code));
    return nom;
}
