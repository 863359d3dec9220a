// Linux only: registry refusals, as a user without rights meets them,
// through the stand-in's access control (Wine's registry does not enforce
// key security, so the same cannot be shown there).
#include "registration/registre_essai.h"

namespace {

// The keys of both classes in the order registration writes them.
std::vector<std::string> ClesEcrites() {
    std::vector<std::string> cles;
    for (int c = 0; c < 6; c += 3) {
        const std::string clsid = arbresDesClasses[c], independant = arbresDesClasses[c + 1],
                          versionne = arbresDesClasses[c + 2];
        cles.insert(cles.end(), {clsid, clsid + "\\InprocServer32", clsid + "\\ProgID",
                                 clsid + "\\VersionIndependentProgID", independant, independant + "\\CLSID",
                                 independant + "\\CurVer", versionne, versionne + "\\CLSID"});
    }
    return cles;
}

class RefusRegistre : public ClientLexigarde {
protected:
    void TearDown() override {
        EXPECT_EQ(0u, PlateformeClesOuvertes()) << "a key was left open";
        PlateformeViderRegistre();
        ClientLexigarde::TearDown();
    }
    const std::vector<std::string> cles_ = ClesEcrites();
};

TEST_F(RefusRegistre, UneEtapeRefuseeArreteLEnregistrementSurSELFREG_E_CLASS) {
    for (size_t refusee = 0; refusee < cles_.size(); ++refusee) {
        SCOPED_TRACE("refused: " + cles_[refusee]);
        PlateformeViderRegistre();
        HKEY cle = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, Large(cles_[refusee]).c_str(), 0, nullptr,
                                                 0, KEY_ALL_ACCESS, nullptr, &cle, nullptr));
        RegCloseKey(cle);
        PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(cles_[refusee]).c_str(),
                               KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
        EXPECT_HR(SELFREG_E_CLASS, Module().DllRegisterServer());
        for (size_t i = 0; i < cles_.size(); ++i)
            EXPECT_EQ(i < refusee, LireTexte(cles_[i]).has_value())
                << cles_[i] << ": written before the refusal?";
    }
}

TEST_F(RefusRegistre, UneCleIndelebileFaitEchouerLeDesenregistrementMaisPasLesAutres) {
    for (const std::string& protegee : cles_) {
        SCOPED_TRACE("protected: " + protegee);
        PlateformeViderRegistre();
        ASSERT_HR(S_OK, Module().DllRegisterServer());
        PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(protegee).c_str(), DELETE);
        EXPECT_HR(SELFREG_E_CLASS, Module().DllUnregisterServer());
        for (const char* arbre : arbresDesClasses) {
            const bool sienne = protegee == arbre || protegee.rfind(std::string(arbre) + "\\", 0) == 0;
            EXPECT_EQ(sienne, CleExiste(Large(arbre))) << arbre << ": every other tree goes";
        }
        PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(protegee).c_str(), 0);
        EXPECT_HR(S_OK, Module().DllUnregisterServer());
        EXPECT_TRUE(Enregistre().empty());
    }
}

} // namespace
