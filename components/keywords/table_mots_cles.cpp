#include "components/keywords/table_mots_cles.h"

#include <algorithm>
#include <cstring>

TableMotsCles::TableMotsCles() {
    // In groups of kind, as they are appended; the sort below orders them.
    // clang-format off
    mots = {
        "if", "else", "goto", "switch", "do", "while", "for",
        "public", "private", "protected",
        "const", "volatile", "extern", "static",
        "struct", "class", "enum", "union",
        "signed", "unsigned", "char", "wchar_t", "bool", "short", "int", "long", "float",
        "double", "void", "true", "false",
        "static_cast", "dynamic_cast", "const_cast", "reinterpret_cast",
        "new", "delete", "return", "try", "catch", "throw", "operator",
        "using", "namespace", "template", "typename", "typedef",
        "asm", "auto", "break", "case", "continue", "default", "explicit", "export", "friend",
        "inline", "mutable", "register", "sizeof", "this", "typeid", "virtual",
    };
    // clang-format on
    std::sort(mots.begin(), mots.end(),
              [](const std::string& a, const std::string& b) { return Precede(a, b); });
    for (const std::string& mot : mots) adresses.push_back(mot.c_str());
}

bool TableMotsCles::Precede(std::string_view a, std::string_view b) {
    // memcmp compares as unsigned char, whatever the signedness of char.
    const int ordre = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return ordre != 0 ? ordre < 0 : a.size() < b.size();
}

namespace {

// Precede's order on C strings, as a three-way comparison: the terminating
// NUL sorts before every byte, so a prefix comes before the longer word.
// Inline, because the keywords differ from most words in their first bytes.
inline int Comparer(const char* a, const char* b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    while (*x != 0 && *x == *y) ++x, ++y;
    return static_cast<int>(*x) - static_cast<int>(*y);
}

} // namespace

bool TableMotsCles::EstMotCle(const char* mot) const {
    const char* const* premier = adresses.data();
    const char* const* const fin = premier + adresses.size();
    auto compte = adresses.size();
    while (compte > 0) {
        const auto moitie = compte / 2;
        const auto milieu = premier + moitie;
        if (Comparer(*milieu, mot) < 0) {
            premier = milieu + 1;
            compte -= moitie + 1;
        } else {
            compte = moitie;
        }
    }
    return premier != fin && Comparer(mot, *premier) == 0;
}
