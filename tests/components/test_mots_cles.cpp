// Keyword validation, through the interface of an object of the loaded module.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "components/keywords/table_mots_cles.h"
#include "support/essais.h"

namespace {

// The 63 keywords of C++98, written out again here, apart from the module.
// clang-format off
const char* const motsClesCpp98[] = {
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
        validateur_->Release();
        ClientLexigarde::TearDown();
    }

    bool EstMotCle(const std::string& mot) {
        bool reponse = !expectation_;
        EXPECT_HR(S_OK, validateur_->Valider(mot.c_str(), &reponse)) << mot;
        return reponse;
    }

    IValiderMotsCles* validateur_ = nullptr;
    bool expectation_ = false;
};

TEST_F(Validateur, ReconnaitChacunDesSoixanteTroisMotsCles) {
    static_assert(sizeof motsClesCpp98 / sizeof *motsClesCpp98 == 63);
    for (const char* mot : motsClesCpp98) EXPECT_TRUE(EstMotCle(mot)) << mot;
}

TEST_F(Validateur, RefuseLesMotsVoisins) {
    // clang-format off
    const std::vector<std::string> voisins = {
        "", "If", "IF", " if", "if ", "con", "cons", "consts", "const_", "const_casts",
        "stati", "statics", "static_", "struc", "structs", "d", "dou", "doubles", "dynamic",
        "dynamic_casts", "a", "as", "zzz", "x", "whilee", "wchar", "and", "or", "not", "xor",
        "bitand", "compl", "not_eq", "or_eq", "and_eq", "xor_eq", "bitor", "nullptr",
        "constexpr", "decltype", "noexcept", "static_assert", "thread_local", "alignof",
        "char16_t", "override", "final", "concept", "requires", "co_await", "int\xE9",
        "\xE9", "\xFF\xFF", "i\x80", "if\tx", std::string(10000, 'a'),
        std::string(1 << 16, '\xFF'), "reinterpret_castreinterpret_cast",
    };
    // clang-format on
    for (const std::string& mot : voisins) EXPECT_FALSE(EstMotCle(mot)) << '"' << mot << '"';
}

TEST_F(Validateur, EcritExactementUnOctet) {
    unsigned char memoire[8];
    for (const char* mot : {"while", "whilst"}) {
        std::memset(memoire, 0xA5, sizeof memoire);
        EXPECT_HR(S_OK, validateur_->Valider(mot, reinterpret_cast<bool*>(&memoire[3])));
        EXPECT_EQ(std::strcmp(mot, "while") == 0 ? 1 : 0, memoire[3]) << mot;
        for (int i : {0, 1, 2, 4, 5, 6, 7}) EXPECT_EQ(0xA5, memoire[i]) << "byte " << i;
    }
}

TEST_F(Validateur, RefuseLesPointeursNuls) {
    bool reponse = true;
    EXPECT_HR(E_POINTER, validateur_->Valider(nullptr, &reponse));
    EXPECT_TRUE(reponse) << "nothing may be written";
    EXPECT_HR(E_POINTER, validateur_->Valider("if", nullptr));
}

TEST(TableMotsCles, EstTrieeParOctetsNonSignesSansDoublon) {
    const TableMotsCles table;
    const auto& mots = table.Mots();
    ASSERT_EQ(63u, mots.size());
    EXPECT_EQ("asm", mots.front());
    EXPECT_EQ("while", mots.back());
    EXPECT_TRUE(std::adjacent_find(mots.begin(), mots.end(), [](const auto& a, const auto& b) {
                    return !TableMotsCles::Precede(a, b);
                }) == mots.end());
    std::vector<std::string> attendus(std::begin(motsClesCpp98), std::end(motsClesCpp98));
    EXPECT_EQ(attendus, mots);
}

TEST(TableMotsCles, OrdonneLesOctetsHautsApresLesLettresEtLePrefixeAvantLeMot) {
    EXPECT_TRUE(TableMotsCles::Precede("const", "const_cast"));
    EXPECT_TRUE(TableMotsCles::Precede("static_cast", "statics")) << "'_' (95) sorts before 's'";
    EXPECT_TRUE(TableMotsCles::Precede("z", "\xE9"));
    EXPECT_FALSE(TableMotsCles::Precede("if", "if"));
    EXPECT_TRUE(TableMotsCles::Precede("", "a"));
}

} // namespace
