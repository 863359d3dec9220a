// Registration through the exports of the loaded module, checked by reading
// the registry as COM reads it (the stand-in's on Linux, Wine's on Windows).
#include <filesystem>

#include "registration/enregistrement.h"
#include "registration/outils_registre.h"
#include "support/essais.h"

namespace {

class Enregistrement : public ClientLexigarde {
protected:
    void SetUp() override {
        ClientLexigarde::SetUp();
        ASSERT_HR(S_OK, Module().DllUnregisterServer()) << "nothing registered is no error";
    }
    void TearDown() override {
        EXPECT_HR(S_OK, Module().DllUnregisterServer());
        EXPECT_TRUE(Enregistre().empty());
        ClientLexigarde::TearDown();
    }
    static TexteLarge CheminDe(HMODULE module) {
        WCHAR chemin[32768] = {};
        return TexteLarge(chemin, GetModuleFileNameW(module, chemin, 32768));
    }
};

// The identifiers of the shared header, against their text written out here
// apart from it: a wrong byte in the header shows.
TEST(Identifiants, OntLeurFormeDuRegistre) {
    const std::pair<const GUID*, const char*> identifiants[] = {
        {&CLSID_Lexigarde, "{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}"},
        {&CLSID_TraducteurASCIIMeta, "{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}"},
        {&IID_IValiderMotsCles, "{EE9424BB-CFBD-4371-8C30-0875092A3FD4}"},
        {&IID_ITraduireASCIIMeta, "{49E27F9D-E8C9-4235-82AC-29B3D41AA2C9}"},
        {&IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
        {&IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"}};
    for (const auto& [guid, texte] : identifiants) EXPECT_EQ(Large(texte), TexteCLSID(*guid));
}

TEST_F(Enregistrement, EcritLesClesDesDeuxClassesEnUtf16) {
    ASSERT_HR(S_OK, Module().DllRegisterServer());
    const struct {
        std::string cle, independant, versionne, description;
    } classes[] = {
        {arbresDesClasses[0], arbresDesClasses[1], arbresDesClasses[2],
         "Composant interne de validation de mots cl\xE9s"},
        {arbresDesClasses[3], arbresDesClasses[4], arbresDesClasses[5],
         "Composant interne de traduction de ASCII \xE0 m\xE9tacaract\xE8re HTML"},
    };
    for (const auto& c : classes) {
        const std::string clsid = c.cle.substr(6);
        const std::pair<std::string, std::string> valeurs[] = {
            {c.cle, c.description},
            {c.cle + "\\ProgID", c.versionne},
            {c.cle + "\\VersionIndependentProgID", c.independant},
            {c.independant, c.description},
            {c.independant + "\\CLSID", clsid},
            {c.independant + "\\CurVer", c.versionne},
            {c.versionne, c.description},
            {c.versionne + "\\CLSID", clsid},
        };
        for (const auto& [cle, texte] : valeurs) EXPECT_EQ(Large(texte), LireTexte(cle)) << cle;
        EXPECT_EQ(CheminDe(Module().Poignee()), LireTexte(c.cle + "\\InprocServer32"));
    }
    const std::vector<std::string> une = Enregistre();
    EXPECT_EQ(36u, une.size()) << "18 keys, each with its default value, and nothing else";
    ASSERT_HR(S_OK, Module().DllRegisterServer());
    EXPECT_EQ(une, Enregistre()) << "registering twice is registering once";
}

// The server key: LocalServer32 for an executable, else InprocServer32 with
// the threading model when there is one.
TEST_F(Enregistrement, LaCleDuServeurSuitLeGenreDuModuleEtSonModele) {
    const std::string cle = "CLSID\\{LexigardeEssai}";
    const struct {
        const char *nom, *modele, *cleServeur;
    } cas[] = {{"Outil.exe", "", "LocalServer32"},
               {"Outil.exe", "Both", "LocalServer32"},
               {"Module.dll", "Both", "InprocServer32"},
               {"Module.dll", "", "InprocServer32"}};
    for (const auto& c : cas) {
        SCOPED_TRACE(std::string(c.nom) + " " + c.modele);
        ASSERT_TRUE(EnregistrerServeur(Large(c.nom), Large("C:\\x"), Large(cle), Large(c.modele)));
        const bool avecModele = *c.modele != 0 && c.cleServeur[0] == 'I';
        EXPECT_EQ(Large("C:\\x"), LireTexte(cle + "\\" + c.cleServeur));
        EXPECT_EQ(avecModele ? std::optional(Large(c.modele)) : std::nullopt,
                  LireTexte(cle + "\\" + c.cleServeur, "ThreadingModel"));
        EXPECT_EQ(3u + avecModele, Arborescence(cle).size()) << "one server key, its values";
        EXPECT_EQ(ERROR_SUCCESS, SupprimerArborescence(HKEY_CLASSES_ROOT, Large(cle)));
    }
}

// A copy of the module, under another name, under the same name as another,
// or down a path longer than MAX_PATH, registers its own whole path: never
// the host program's, nor that of another module of the same name.
TEST_F(Enregistrement, UneCopieEnregistreSonPropreCheminEntier) {
    namespace fs = std::filesystem;
    const fs::path dossier = fs::path(DossierDuProgramme()) / "copies";
    fs::path profond = dossier;
#if !defined(_WIN32)
    for (int i = 0; i < 12; ++i) profond /= std::string(60, 'a' + i);
#endif
    for (const fs::path& copie :
         {dossier / "LexigardeRenomme.dll", dossier / "Lexigarde.dll", profond / "L.dll"}) {
        SCOPED_TRACE(copie.string().size());
        fs::create_directories(copie.parent_path());
        fs::copy_file(fs::path(DossierDuProgramme()) / "Lexigarde.dll", copie,
                      fs::copy_options::overwrite_existing);
        const std::u16string chemin = copie.u16string();
        const ModuleLexigarde module(TexteLarge(chemin.begin(), chemin.end()));
        ASSERT_NE(Module().Poignee(), module.Poignee());
        ASSERT_HR(S_OK, module.DllRegisterServer());
        const auto enregistre = LireTexte(std::string(arbresDesClasses[3]) + "\\InprocServer32");
        ASSERT_TRUE(enregistre);
        EXPECT_EQ(CheminDe(module.Poignee()), *enregistre);
        EXPECT_EQ(fs::canonical(copie), fs::canonical(fs::path(*enregistre)));
        EXPECT_HR(S_OK, module.DllUnregisterServer());
    }
    fs::remove_all(dossier);
}

#if !defined(_WIN32)
// A module that cannot find its own handle, or whose file has no name,
// fails rather than register another program as the server.
TEST_F(Enregistrement, UnModuleQuiNeSeTrouvePasNEnregistreRien) {
    for (DWORD cache : {1u, 2u}) {
        PlateformeCacherModules(cache);
        EXPECT_HR(SELFREG_E_CLASS, Module().DllRegisterServer()) << cache;
        PlateformeCacherModules(0);
        EXPECT_TRUE(Enregistre().empty());
    }
}
#endif

} // namespace
