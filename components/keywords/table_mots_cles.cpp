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
}

bool TableMotsCles::Precede(std::string_view a, std::string_view b) {
    // memcmp compares as unsigned char, whatever the signedness of char.
    const int ordre = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return ordre != 0 ? ordre < 0 : a.size() < b.size();
}

bool TableMotsCles::EstMotCle(std::string_view mot) const {
    auto premier = mots.begin();
    auto compte = mots.size();
    while (compte > 0) {
        const auto moitie = compte / 2;
        const auto milieu = premier + moitie;
        if (Precede(*milieu, mot)) {
            premier = milieu + 1;
            compte -= moitie + 1;
        } else {
            compte = moitie;
        }
    }
    return premier != mots.end() && !Precede(mot, *premier);
}
