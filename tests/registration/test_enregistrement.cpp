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
        ClientLexigarde::TearDown();
    }
};

TexteLarge CheminDe(HMODULE module) {
    WCHAR chemin[32768] = {};
    return TexteLarge(chemin, GetModuleFileNameW(module, chemin, 32768));
}

// What Arborescence shows of a key with REG_SZ values (name, text): the
// key, then each value in UTF-16 with its NUL.
std::vector<std::string> Cle(const std::string& cle,
                             std::vector<std::pair<std::string, TexteLarge>> valeurs) {
    std::vector<std::string> lignes = {Majuscules(cle)};
    for (auto& [nom, texte] : valeurs) {
        texte.push_back(0);
        lignes.push_back(
            Majuscules(cle) + " [" + Majuscules(nom) + "] 1 " +
            std::string(reinterpret_cast<const char*>(texte.data()), texte.size() * sizeof(WCHAR)));
    }
    return lignes;
}

// The interfaces' identifiers of the shared header against their text written
// here (the classes' show in the keys registered): a wrong byte in it shows.
TEST(Identifiants, OntLeurFormeDuRegistre) {
    const std::pair<const GUID*, const char*> identifiants[] = {
        {&IID_IValiderMotsCles, "{EE9424BB-CFBD-4371-8C30-0875092A3FD4}"},
        {&IID_ITraduireASCIIMeta, "{49E27F9D-E8C9-4235-82AC-29B3D41AA2C9}"}};
    for (const auto& [guid, texte] : identifiants) EXPECT_EQ(Large(texte), TexteCLSID(*guid));
}

TEST_F(Enregistrement, EcritLesNeufClesDeChaqueClasseEtRienDAutre) {
    ASSERT_HR(S_OK, Module().DllRegisterServer());
    const std::string descriptions[] = {
        "Composant interne de validation de mots cl\xE9s",
        "Composant interne de traduction de ASCII \xE0 m\xE9tacaract\xE8re HTML"};
    std::vector<std::string> attendu;
    for (int c = 0; c < 2; ++c) {
        const std::string cle = arbresDesClasses[3 * c];
        const std::string independant = arbresDesClasses[3 * c + 1];
        const std::string versionne = arbresDesClasses[3 * c + 2];
        const std::string clsid = cle.substr(6);
        const TexteLarge description = Large(descriptions[c]);
        for (const auto& lignes :
             {Cle(cle, {{"", description}}),
              Cle(cle + "\\InprocServer32", {{"", CheminDe(Module().Poignee())}}),
              Cle(cle + "\\ProgID", {{"", Large(versionne)}}),
              Cle(cle + "\\VersionIndependentProgID", {{"", Large(independant)}}),
              Cle(independant, {{"", description}}), Cle(independant + "\\CLSID", {{"", Large(clsid)}}),
              Cle(independant + "\\CurVer", {{"", Large(versionne)}}), Cle(versionne, {{"", description}}),
              Cle(versionne + "\\CLSID", {{"", Large(clsid)}})})
            attendu.insert(attendu.end(), lignes.begin(), lignes.end());
    }
    std::sort(attendu.begin(), attendu.end());
    EXPECT_EQ(attendu, Enregistre());
}

// The server key: LocalServer32 for an executable, whatever the threading
// model, else InprocServer32 with the model (without one: the classes' keys above).
TEST_F(Enregistrement, LaCleDuServeurSuitLeGenreDuModuleEtSonModele) {
    const std::string cle = "CLSID\\{LexigardeEssai}";
    const struct {
        const char* nom;
        const char* modele;
        const char* cleServeur;
    } cas[] = {{"Outil.exe", "Both", "\\LocalServer32"}, {"Module.dll", "Both", "\\InprocServer32"}};
    for (const auto& c : cas) {
        ASSERT_TRUE(EnregistrerServeur(Large(c.nom), Large("C:\\x"), Large(cle), Large(c.modele)));
        std::vector<std::pair<std::string, TexteLarge>> valeurs = {{"", Large("C:\\x")}};
        if (*c.modele != 0 && c.cleServeur[1] == 'I') valeurs.emplace_back("ThreadingModel", Large(c.modele));
        std::vector<std::string> attendu = Cle(cle + c.cleServeur, valeurs);
        attendu.push_back(Majuscules(cle));
        std::sort(attendu.begin(), attendu.end());
        EXPECT_EQ(attendu, Arborescence(cle)) << c.nom << " " << c.modele;
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
        ASSERT_HR(S_OK, module.DllRegisterServer());
        const std::string cle = std::string(arbresDesClasses[3]) + "\\InprocServer32";
        EXPECT_EQ(Cle(cle, {{"", CheminDe(module.Poignee())}}), Arborescence(cle));
        EXPECT_EQ(fs::canonical(copie), fs::canonical(fs::path(CheminDe(module.Poignee()))));
        EXPECT_HR(S_OK, module.DllUnregisterServer());
    }
    fs::remove_all(dossier);
}

#if defined(_WIN32)
// A key the registry refuses to remove: the companion's unregistration says
// so, and still removes its other class.
TEST_F(Enregistrement, UnRetraitRefuseDuCompagnonEstSignale) {
    const ModuleLexigarde compagnon(DossierDuProgramme() + L"LexigardeScript.dll");
    ASSERT_HR(S_OK, compagnon.DllRegisterServer());
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CLASSES_ROOT, L"Lexigarde.ValidationMotsCles", 0, WRITE_DAC, &cle));
    const auto proteger = [&](ACL* acces) {
        SECURITY_DESCRIPTOR descripteur;
        InitializeSecurityDescriptor(&descripteur, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descripteur, TRUE, acces, FALSE);
        EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(cle, DACL_SECURITY_INFORMATION, &descripteur));
    };
    ACL personne; // no entry: nobody may do anything; no list at all: everyone may
    InitializeAcl(&personne, sizeof personne, ACL_REVISION);
    proteger(&personne);
    EXPECT_HR(SELFREG_E_CLASS, compagnon.DllUnregisterServer());
    EXPECT_TRUE(Arborescence("Lexigarde.TraductionHTML").empty()) << "the other class stays";
    proteger(nullptr);
    RegCloseKey(cle);
    EXPECT_HR(S_OK, compagnon.DllUnregisterServer());
}
#else
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
