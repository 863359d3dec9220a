#include "components/translation/table_entites.h"

namespace {

struct Entite {
    unsigned char code;
    const char* texte;
};

// The HTML metacharacters, the angle quotation marks and the accented
// letters of French. The other upper-half characters have no text.
// clang-format off
constexpr Entite entitesNommees[] = {
    {0x26, "&amp;"},    {0x3C, "&lt;"},     {0x3E, "&gt;"},     {0xAB, "&laquo;"},
    {0xBB, "&raquo;"},  {0xC0, "&Agrave;"}, {0xC2, "&Acirc;"},  {0xC7, "&Ccedil;"},
    {0xC8, "&Egrave;"}, {0xC9, "&Eacute;"}, {0xCA, "&Ecirc;"},  {0xCB, "&Euml;"},
    {0xCE, "&Icirc;"},  {0xCF, "&Iuml;"},   {0xD4, "&Ocirc;"},  {0xDB, "&Ucirc;"},
    {0xDC, "&Uuml;"},   {0xE0, "&agrave;"}, {0xE2, "&acirc;"},  {0xE7, "&ccedil;"},
    {0xE8, "&egrave;"}, {0xE9, "&eacute;"}, {0xEA, "&ecirc;"},  {0xEB, "&euml;"},
    {0xEE, "&icirc;"},  {0xEF, "&iuml;"},   {0xF4, "&ocirc;"},  {0xFB, "&ucirc;"},
    {0xFC, "&uuml;"},
};
// clang-format on

constexpr std::size_t Longueur(const char* texte) {
    std::size_t n = 0;
    while (texte[n] != 0) ++n;
    return n;
}

// Copier moves a named text as two 4-byte words: none may be shorter, and
// none longer than its slot.
constexpr bool ToutesTiennent() {
    for (const Entite& entite : entitesNommees)
        if (Longueur(entite.texte) < 4 || Longueur(entite.texte) > TableEntites::tailleEmplacement) return false;
    return true;
}
static_assert(ToutesTiennent(), "every named HTML text is 4 to 8 bytes long");

} // namespace

TableEntites::TableEntites() : emplacements{}, longueurs{} {
    // Every 7-bit character stands for itself, NUL included.
    for (int code = 0; code < 128; ++code) {
        emplacements[code][0] = static_cast<char>(code);
        longueurs[code] = 1;
    }
    for (const Entite& entite : entitesNommees) {
        const std::size_t longueur = Longueur(entite.texte);
        std::memcpy(emplacements[entite.code], entite.texte, longueur);
        longueurs[entite.code] = static_cast<unsigned char>(longueur);
    }
}
