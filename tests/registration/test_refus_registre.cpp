// Linux only: registry refusals made to happen, as a user without rights
// meets them, through the stand-in's access control (Wine's registry does
// not enforce key security, so the same cannot be shown there).
#include "registration/registre_essai.h"

namespace {

struct Classe {
    std::string clsid, independant, versionne;
};
const Classe classes[] = {
    {"CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}", "Composant.Interne.ValidationMotsCles",
     "Composant.Interne.ValidationMotsCles.1"},
    {"CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}", "Composant.Interne.Trad.ASCII.HTML",
     "Composant.Interne.Trad.ASCII.HTML.1"},
};

// The keys of both classes in the order registration writes them.
std::vector<std::string> ClesEcrites() {
    std::vector<std::string> cles;
    for (const Classe& c : classes) {
        cles.insert(cles.end(),
                    {c.clsid, c.clsid + "\\InprocServer32", c.clsid + "\\ProgID",
                     c.clsid + "\\VersionIndependentProgID", c.independant, c.independant + "\\CLSID",
                     c.independant + "\\CurVer", c.versionne, c.versionne + "\\CLSID"});
    }
    return cles;
}
const std::vector<std::string> clesEcrites = ClesEcrites();
const std::string arbres[] = {classes[0].clsid, classes[0].independant, classes[0].versionne,
                              classes[1].clsid, classes[1].independant, classes[1].versionne};

bool EstSousLArbre(const std::string& cle, const std::string& arbre) {
    return cle == arbre || cle.rfind(arbre + "\\", 0) == 0;
}

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
        for (size_t i = 0; i < clesEcrites.size(); ++i) {
            EXPECT_EQ(i < refusee, LireValeur(Large(clesEcrites[i])).has_value())
                << clesEcrites[i]
                << (i < refusee ? ": written before the refusal, kept" : ": written after it");
        }
    }
}

TEST_F(RefusRegistre, UneCleIndelebileFaitEchouerLeDesenregistrementMaisPasLesAutres) {
    for (const std::string& protegee : clesEcrites) {
        SCOPED_TRACE("protected: " + protegee);
        PlateformeViderRegistre();
        ASSERT_HR(S_OK, enregistrer_());
        ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(protegee).c_str(), DELETE));
        EXPECT_HR(SELFREG_E_CLASS, desenregistrer_());
        EXPECT_TRUE(CleExiste(Large(protegee)));
        for (const std::string& arbre : arbres) {
            if (!EstSousLArbre(protegee, arbre)) {
                EXPECT_FALSE(CleExiste(Large(arbre))) << arbre << ": every other tree goes";
            }
        }
        ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(protegee).c_str(), 0));
        EXPECT_HR(S_OK, desenregistrer_());
        for (const std::string& arbre : arbres) EXPECT_FALSE(CleExiste(Large(arbre))) << arbre;
    }
}

} // namespace
