// Character translation, through the interface of an object of the loaded module.
#include <cstring>
#include <map>
#include <string>

#include "support/essais.h"

namespace {

// What HTML needs, worked out apart from the module: the three
// metacharacters and the French letters and quotation marks by name, other
// 7-bit characters as they are, other upper-half characters not at all.
std::string TexteAttendu(int code) {
    static const std::map<int, std::string> nommes = {
        {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {0xAB, "&laquo;"}, {0xBB, "&raquo;"},
    };
    static const std::map<int, std::string> lettres = {
        {0xC0, "Agrave"}, {0xC2, "Acirc"}, {0xC7, "Ccedil"}, {0xC8, "Egrave"},
        {0xC9, "Eacute"}, {0xCA, "Ecirc"}, {0xCB, "Euml"},   {0xCE, "Icirc"},
        {0xCF, "Iuml"},   {0xD4, "Ocirc"}, {0xDB, "Ucirc"},  {0xDC, "Uuml"},
    };
    if (nommes.count(code)) return nommes.at(code);
    if (lettres.count(code)) return "&" + lettres.at(code) + ";";
    // The lower-case letters sit 0x20 above their capitals, named in lower case.
    if (lettres.count(code - 0x20)) {
        std::string nom = lettres.at(code - 0x20);
        nom[0] = static_cast<char>(nom[0] - 'A' + 'a');
        return "&" + nom + ";";
    }
    if (code < 128) return std::string(1, static_cast<char>(code));
    return "";
}

class Traducteur : public ClientLexigarde {
protected:
    void SetUp() override {
        ClientLexigarde::SetUp();
        traducteur_ = Module().CreerTraducteur();
        ASSERT_NE(nullptr, traducteur_);
    }
    void TearDown() override {
        traducteur_->Release();
        ClientLexigarde::TearDown();
    }

    ITraduireASCIIMeta* traducteur_ = nullptr;
};

// The record sits in a larger block filled with a pattern, so that any byte
// written outside the translated text shows.
struct BlocEssai {
    unsigned char octets[sizeof(ResultatTraduction) + 16];
    BlocEssai() { std::memset(octets, 0x5A, sizeof octets); }
    ResultatTraduction* Resultat() { return reinterpret_cast<ResultatTraduction*>(octets); }
};

TEST_F(Traducteur, TraduitLesDeuxCentCinquanteSixCaracteres) {
    int sansTexte = 0;
    for (int code = 0; code < 256; ++code) {
        const std::string attendu = TexteAttendu(code);
        BlocEssai bloc;
        ASSERT_HR(S_OK, traducteur_->Traduire(static_cast<unsigned char>(code), bloc.Resultat()));
        EXPECT_EQ(static_cast<LONG>(attendu.size()), bloc.Resultat()->longueur) << "code " << code;
        EXPECT_EQ(attendu, std::string(bloc.Resultat()->texte, attendu.size())) << "code " << code;
        for (size_t i = attendu.size(); i < sizeof bloc.Resultat()->texte; ++i)
            ASSERT_EQ(0x5A, bloc.octets[i]) << "code " << code << ", byte " << i;
        for (size_t i = sizeof(ResultatTraduction); i < sizeof bloc.octets; ++i)
            ASSERT_EQ(0x5A, bloc.octets[i]) << "code " << code << ", past the record";
        sansTexte += attendu.empty();
    }
    EXPECT_EQ(102, sansTexte);
}

TEST_F(Traducteur, RendLesCasRemarquablesOctetPourOctet) {
    struct Cas {
        unsigned char code;
        const char* texte;
        LONG longueur;
    };
    for (const Cas& cas : {Cas{'<', "&lt;", 4}, Cas{'&', "&amp;", 5}, Cas{'"', "\"", 1}, Cas{'\'', "'", 1},
                           Cas{0, "", 1}, Cas{127, "\x7F", 1}, Cas{233, "&eacute;", 8}, Cas{235, "&euml;", 6},
                           Cas{171, "&laquo;", 7}, Cas{160, "", 0}, Cas{228, "", 0}, Cas{255, "", 0}}) {
        BlocEssai bloc;
        ASSERT_HR(S_OK, traducteur_->Traduire(cas.code, bloc.Resultat()));
        EXPECT_EQ(cas.longueur, bloc.Resultat()->longueur) << int(cas.code);
        EXPECT_EQ(0, std::memcmp(cas.texte, bloc.Resultat()->texte, cas.longueur)) << int(cas.code);
    }
}

TEST_F(Traducteur, RefuseUnEnregistrementNul) { EXPECT_HR(E_POINTER, traducteur_->Traduire('a', nullptr)); }

} // namespace
