// Character translation, through the interface of an object of the loaded module.
#include <cstring>
#include <map>

#include "support/essais.h"

namespace {

// What HTML needs, worked out apart from the module: the three
// metacharacters and the French letters and quotation marks by name (the
// small letters 0x20 above their capitals), other 7-bit characters as they
// are, other upper-half characters not at all.
std::string TexteAttendu(int code) {
    static const std::map<int, std::string> noms = {
        {'&', "amp"},     {'<', "lt"},     {'>', "gt"},      {0xAB, "laquo"},  {0xBB, "raquo"},
        {0xC0, "Agrave"}, {0xC2, "Acirc"}, {0xC7, "Ccedil"}, {0xC8, "Egrave"}, {0xC9, "Eacute"},
        {0xCA, "Ecirc"},  {0xCB, "Euml"},  {0xCE, "Icirc"},  {0xCF, "Iuml"},   {0xD4, "Ocirc"},
        {0xDB, "Ucirc"},  {0xDC, "Uuml"},
    };
    if (noms.count(code)) return "&" + noms.at(code) + ";";
    if (code >= 0xE0 && noms.count(code - 0x20)) {
        std::string nom = noms.at(code - 0x20);
        nom[0] = static_cast<char>(nom[0] - 'A' + 'a');
        return "&" + nom + ";";
    }
    return code < 128 ? std::string(1, static_cast<char>(code)) : "";
}

using Traducteur = ClientLexigarde;

// The record sits in a larger block filled with a pattern: any byte written
// outside the text and the length shows.
TEST_F(Traducteur, TraduitLesDeuxCentCinquanteSixCaracteresSansToucherAuReste) {
    ITraduireASCIIMeta* traducteur = Module().CreerTraducteur();
    ASSERT_NE(nullptr, traducteur);
    for (int code = 0; code < 256; ++code) {
        const std::string attendu = TexteAttendu(code);
        unsigned char bloc[sizeof(ResultatTraduction) + 16];
        std::memset(bloc, 0x5A, sizeof bloc);
        auto* resultat = reinterpret_cast<ResultatTraduction*>(bloc);
        ASSERT_HR(S_OK, traducteur->Traduire(static_cast<unsigned char>(code), resultat));
        EXPECT_EQ(static_cast<LONG>(attendu.size()), resultat->longueur) << code;
        EXPECT_EQ(attendu, std::string(resultat->texte, attendu.size())) << code;
        for (size_t i = attendu.size(); i < sizeof bloc; ++i) {
            if (i >= 64 && i < sizeof(ResultatTraduction)) continue; // the length
            ASSERT_EQ(0x5A, bloc[i]) << "code " << code << ", byte " << i;
        }
    }
    EXPECT_EQ(0u, traducteur->Release());
}

} // namespace
