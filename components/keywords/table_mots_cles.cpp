#include "components/keywords/table_mots_cles.h"

#include <algorithm>

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

    // The entries in order of key, the table's order kept within a key.
    std::vector<const std::string*> parCle;
    for (const std::string& mot : mots) {
        longueurMax = std::max(longueurMax, mot.size());
        parCle.push_back(&mot);
    }
    const auto cle = [](const std::string* mot) { return Cle(mot->c_str(), mot->size()); };
    std::stable_sort(parCle.begin(), parCle.end(),
                     [&](const std::string* a, const std::string* b) { return cle(a) < cle(b); });
    groupes.assign((longueurMax + 1) * 256, 0);
    // Each group opens with the null pointer that ends the one before; the
    // first of them is the group of every key that no entry has.
    std::vector<const char*> liste;
    std::size_t precedente = groupes.size();
    for (const std::string* mot : parCle) {
        if (cle(mot) != precedente) {
            precedente = cle(mot);
            liste.push_back(nullptr);
            groupes[precedente] = static_cast<std::uint8_t>(liste.size());
        }
        liste.push_back(mot->c_str());
    }
    liste.push_back(nullptr);
    // Of its exact size, so that a read past its end shows under
    // AddressSanitizer.
    candidats.assign(liste.begin(), liste.end());
}

bool TableMotsCles::Precede(std::string_view a, std::string_view b) {
    // memcmp compares as unsigned char, whatever the signedness of char.
    const int ordre = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    return ordre != 0 ? ordre < 0 : a.size() < b.size();
}
