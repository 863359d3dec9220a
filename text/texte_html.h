// Text to HTML by one set of rules for every client of the translator
// (the tool's --utf8 and --strict, the automation companion): the
// component's text for each character up to U+00FF, asked once per value
// through ITraduireASCIIMeta, a numeric reference past it.
#ifndef LEXIGARDE_TEXT_TEXTE_HTML_H
#define LEXIGARDE_TEXT_TEXTE_HTML_H

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lexigarde.h"

// The component's text for one byte value; `longueur` -1 until asked.
struct TexteComposant {
    std::array<char, 64> octets;
    int longueur = -1;
};

class TexteHTML {
public:
    virtual ~TexteHTML() = default;

    // The HTML of one character, empty for one the component gives no text
    // for; valid until the next call.
    std::string_view Html(std::uint32_t code);

    // The component's text for `octet`, asked on first use only.
    const TexteComposant& Texte(unsigned char octet) {
        const TexteComposant& texte = textes_[octet];
        return texte.longueur >= 0 ? texte : Retenir(octet);
    }
    // What is known of `octet` so far (`longueur` -1: not asked yet), for
    // loops that ask only on a miss.
    const TexteComposant& Connu(unsigned char octet) const { return textes_[octet]; }

protected:
    // The component asked; set before the first character.
    ITraduireASCIIMeta* traducteur_ = nullptr;
    // Says, by throwing, that the component failed on `octet` (`hr`, or a
    // success with a length out of its record).
    [[noreturn]] virtual void Echec(unsigned char octet, HRESULT hr) = 0;

private:
    const TexteComposant& Retenir(unsigned char octet);
    std::array<TexteComposant, 256> textes_;
    char reference_[16];
};

// "&#8364;": HTML's numeric reference, which keeps any character. Writes
// at most 13 bytes at `vers` and returns how many.
inline std::size_t ReferenceNumerique(std::uint32_t code, char* vers) {
    vers[0] = '&';
    vers[1] = '#';
    char* const fin = std::to_chars(vers + 2, vers + 12, code).ptr;
    *fin = ';';
    return static_cast<std::size_t>(fin + 1 - vers);
}

// "U+00E4", "U+1F600".
std::string NomCaractere(std::uint32_t code);

// Walks UTF-16 text, calling `caractere(code, position)` for each character,
// a surrogate pair as the one character it encodes; `position` counts code
// units from 0. Returns the position of the first lone surrogate (after
// calling for everything before it), or -1.
template <class Caractere>
std::ptrdiff_t ParcourirUtf16(const char16_t* texte, std::size_t longueur, Caractere&& caractere) {
    for (std::size_t i = 0; i < longueur; ++i) {
        const std::uint32_t unite = texte[i];
        if (unite < 0xD800 || unite > 0xDFFF) {
            caractere(unite, i);
            continue;
        }
        if (unite > 0xDBFF || i + 1 == longueur || texte[i + 1] < 0xDC00 || texte[i + 1] > 0xDFFF)
            return static_cast<std::ptrdiff_t>(i);
        caractere(0x10000 + ((unite - 0xD800) << 10) + (texte[i + 1] - 0xDC00u), i);
        ++i;
    }
    return -1;
}

#endif
