// Linux only: registry refusals made to happen, as a user without rights
// meets them, through the stand-in's access control (Wine's registry does
// not enforce key security, so the same cannot be shown there).
#include "registration/registre_essai.h"

namespace {

const std::string T = "{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}";
const std::string V = "Composant.Interne.ValidationMotsCles";
const std::string P = "Composant.Interne.ValidationMotsCles.1";
// The keys of the keyword class in the order registration writes them.
const std::vector<std::string> clesEcrites = {
    "CLSID\\" + T,
    "CLSID\\" + T + "\\InprocServer32",
    "CLSID\\" + T + "\\ProgID",
    "CLSID\\" + T + "\\VersionIndependentProgID",
    V,
    V + "\\CLSID",
    V + "\\CurVer",
    P,
    P + "\\CLSID",
};
const char* const clesTraducteur[] = {
    "CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}",
    "Composant.Interne.Trad.ASCII.HTML",
    "Composant.Interne.Trad.ASCII.HTML.1",
};

constexpr REGSAM droitsEcriture = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

class RefusRegistre : public ClientLexigarde {
protected:
    void SetUp() override {
        ClientLexigarde::SetUp();
        PlateformeViderRegistre();
        clesOuvertes_ = PlateformeClesOuvertes();
        enregistrer_ = Module().Export<PFN_DllRegisterServer>("DllRegisterServer");
        desenregistrer_ = Module().Export<PFN_DllUnregisterServer>("DllUnregisterServer");
    }
    void TearDown() override {
        EXPECT_EQ(clesOuvertes_, PlateformeClesOuvertes()) << "a key was left open";
        PlateformeViderRegistre();
        ClientLexigarde::TearDown();
    }

    static void CreerProtegee(const std::string& chemin, REGSAM refuses) {
        HKEY cle = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, Large(chemin).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &cle, nullptr));
        RegCloseKey(cle);
        ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(chemin).c_str(), refuses));
    }

    DWORD clesOuvertes_ = 0;
    PFN_DllRegisterServer enregistrer_ = nullptr;
    PFN_DllUnregisterServer desenregistrer_ = nullptr;
};

TEST_F(RefusRegistre, UneEtapeRefuseeArreteLEnregistrementSurSELFREG_E_CLASS) {
    for (size_t refusee = 0; refusee < clesEcrites.size(); ++refusee) {
        SCOPED_TRACE("refused: " + clesEcrites[refusee]);
        PlateformeViderRegistre();
        CreerProtegee(clesEcrites[refusee], droitsEcriture);
        EXPECT_HR(SELFREG_E_CLASS, enregistrer_());
        for (size_t i = 0; i < refusee; ++i)
            EXPECT_TRUE(LireValeur(Large(clesEcrites[i])))
                << clesEcrites[i] << ": written before the refusal, kept";
        EXPECT_FALSE(LireValeur(Large(clesEcrites[refusee])));
        for (size_t i = refusee + 1; i < clesEcrites.size(); ++i)
            EXPECT_FALSE(LireValeur(Large(clesEcrites[i])))
                << clesEcrites[i] << ": written after the refusal";
        for (const char* cle : clesTraducteur)
            EXPECT_FALSE(CleExiste(Large(cle))) << cle << ": the second class was attempted";
    }
}

TEST_F(RefusRegistre, LaSecondeClasseRefuseeLaissePremiereEnregistree) {
    CreerProtegee(clesTraducteur[1], droitsEcriture);
    EXPECT_HR(SELFREG_E_CLASS, enregistrer_());
    for (const std::string& cle : clesEcrites) EXPECT_TRUE(LireValeur(Large(cle))) << cle;
}

TEST_F(RefusRegistre, UneCleIndelebileFaitEchouerLeDesenregistrementMaisPasLesAutres) {
    for (const std::string& protegee : {V + "\\CurVer", "CLSID\\" + T, P}) {
        SCOPED_TRACE("protected: " + protegee);
        PlateformeViderRegistre();
        ASSERT_HR(S_OK, enregistrer_());
        ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(protegee).c_str(), DELETE));
        EXPECT_HR(SELFREG_E_CLASS, desenregistrer_());
        EXPECT_TRUE(CleExiste(Large(protegee)));
        for (const std::string& arbre : {"CLSID\\" + T, V, P}) {
            if (protegee.rfind(arbre, 0) != 0) {
                EXPECT_FALSE(CleExiste(Large(arbre))) << arbre;
            }
        }
        for (const char* cle : clesTraducteur) EXPECT_FALSE(CleExiste(Large(cle))) << cle;
        ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(protegee).c_str(), 0));
        EXPECT_HR(S_OK, desenregistrer_());
        EXPECT_FALSE(CleExiste(Large(protegee)));
    }
}

} // namespace
