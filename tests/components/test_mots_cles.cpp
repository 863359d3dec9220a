// Keyword validation, through the interface of an object of the loaded module.
#include <cstring>
#include <string>
#include <vector>

#include "components/keywords/table_mots_cles.h"
#include "support/essais.h"

namespace {

// The 63 keywords of C++98 in unsigned byte order, written out again here,
// apart from the module.
// clang-format off
const std::vector<std::string> motsClesCpp98 = {
    "asm", "auto", "bool", "break", "case", "catch", "char", "class", "const", "const_cast",
    "continue", "default", "delete", "do", "double", "dynamic_cast", "else", "enum", "explicit",
    "export", "extern", "false", "float", "for", "friend", "goto", "if", "inline", "int", "long",
    "mutable", "namespace", "new", "operator", "private", "protected", "public", "register",
    "reinterpret_cast", "return", "short", "signed", "sizeof", "static", "static_cast", "struct",
    "switch", "template", "this", "throw", "true", "try", "typedef", "typeid", "typename",
    "union", "unsigned", "using", "virtual", "void", "volatile", "wchar_t", "while",
};
// clang-format on

class Validateur : public ClientLexigarde {
protected:
    void SetUp() override {
        ClientLexigarde::SetUp();
        validateur_ = Module().CreerValidateur();
        ASSERT_NE(nullptr, validateur_);
    }
    void TearDown() override {
        EXPECT_EQ(0u, validateur_->Release());
        ClientLexigarde::TearDown();
    }

    // The byte Valider writes, which must be 0 or 1, and no other around it.
    int Reponse(const std::string& mot) {
        unsigned char memoire[3] = {0xA5, 0xA5, 0xA5};
        EXPECT_HR(S_OK, validateur_->Valider(mot.c_str(), reinterpret_cast<bool*>(&memoire[1]))) << mot;
        EXPECT_TRUE(memoire[0] == 0xA5 && memoire[2] == 0xA5) << mot << ": wrote beside its byte";
        return memoire[1];
    }

    IValiderMotsCles* validateur_ = nullptr;
};

TEST_F(Validateur, ReconnaitChacunDesSoixanteTroisMotsCles) {
    ASSERT_EQ(63u, motsClesCpp98.size());
    for (const std::string& mot : motsClesCpp98) EXPECT_EQ(1, Reponse(mot)) << mot;
    EXPECT_EQ(motsClesCpp98, TableMotsCles().Mots()) << "the table is sorted by unsigned bytes";
}

TEST_F(Validateur, RefuseLesMotsVoisins) {
    // clang-format off
    const std::vector<std::string> voisins = {
        "", "If", "IF", " if", "if ", "con", "consts", "const_", "const_casts", "statics", "static_",
        "d", "doubles", "a", "zzz", "whilee", "wchar", "and", "nullptr", "constexpr", "override",
        "int\xE9", "\xE9", "\xFF\xFF", "i\x80", "if\tx", std::string(10000, 'a'),
        std::string(1 << 16, '\xFF'), "reinterpret_castreinterpret_cast",
    };
    // clang-format on
    for (const std::string& mot : voisins) EXPECT_EQ(0, Reponse(mot)) << '"' << mot << '"';
}

TEST_F(Validateur, RefuseLesPointeursNulsSansRienEcrire) {
    bool reponse = true;
    EXPECT_HR(E_POINTER, validateur_->Valider(nullptr, &reponse));
    EXPECT_TRUE(reponse);
    EXPECT_HR(E_POINTER, validateur_->Valider("if", nullptr));
}

} // namespace
