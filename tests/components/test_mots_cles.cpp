// Keyword validation, through the interface of an object of the loaded module
// (the valider fuzz target tries any other word).
#include "support/essais.h"
#include "support/mots_cles_cpp98.h"

namespace {

using Validateur = ClientLexigarde;

// The answer is one byte, 0 or 1; the bytes beside it stay the caller's.
TEST_F(Validateur, ReconnaitLesSoixanteTroisMotsClesEtEuxSeuls) {
    IValiderMotsCles* validateur = Module().CreerValidateur();
    ASSERT_NE(nullptr, validateur);
    std::vector<std::pair<std::string, int>> cas;
    for (const char* mot : motsClesCpp98) cas.emplace_back(mot, 1);
    for (const char* voisin : {"", "If", " if", "if ", "consts", "const_", "d", "int\xE9", "\xFF", "nullptr"})
        cas.emplace_back(voisin, 0);
    cas.emplace_back(std::string(1 << 16, 'a'), 0);
    for (const auto& [mot, attendu] : cas) {
        unsigned char octets[3] = {0xA5, 0xA5, 0xA5};
        EXPECT_HR(S_OK, validateur->Valider(mot.c_str(), reinterpret_cast<bool*>(&octets[1]))) << mot;
        EXPECT_EQ(0xA500A5 | attendu << 8, octets[0] << 16 | octets[1] << 8 | octets[2]) << '"' << mot << '"';
    }
    bool reponse = true;
    EXPECT_HR(E_POINTER, validateur->Valider(nullptr, &reponse));
    EXPECT_TRUE(reponse) << "written on a refusal";
    EXPECT_HR(E_POINTER, validateur->Valider("if", nullptr));
    EXPECT_EQ(0u, validateur->Release());
}

} // namespace
