// Registration through the exports of the loaded module, checked by reading
// the registry as COM reads it (the stand-in's on Linux, Wine's on Windows).
#include <filesystem>

#include "registration/registre_essai.h"

namespace {

const char* const cleLexigarde = "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}";
const char* const cleTraducteur = "CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}";
const char* const clesDesClasses[] = {
    cleLexigarde,  "Composant.Interne.ValidationMotsCles", "Composant.Interne.ValidationMotsCles.1",
    cleTraducteur, "Composant.Interne.Trad.ASCII.HTML",    "Composant.Interne.Trad.ASCII.HTML.1",
};

class Enregistrement : public ClientLexigarde {
protected:
    void SetUp() override {
        ClientLexigarde::SetUp();
        enregistrer_ = Module().Export<PFN_DllRegisterServer>("DllRegisterServer");
        desenregistrer_ = Module().Export<PFN_DllUnregisterServer>("DllUnregisterServer");
        ASSERT_TRUE(enregistrer_ && desenregistrer_);
        ASSERT_HR(S_OK, desenregistrer_());
    }
    void TearDown() override {
        EXPECT_HR(S_OK, desenregistrer_());
        ClientLexigarde::TearDown();
    }

    // The default value (or `nom`) of a key, as REG_SZ text.
    static std::string Texte(const std::string& cle, const WCHAR* nom = nullptr) {
        const auto valeur = LireValeur(Large(cle), nom);
        if (!valeur) return "<missing>";
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), valeur->type) << cle;
        return Etroit(valeur->Texte());
    }

    static TexteLarge CheminDuModule() {
        WCHAR chemin[32768] = {};
        GetModuleFileNameW(Module().Poignee(), chemin, 32768);
        return chemin;
    }

    PFN_DllRegisterServer enregistrer_ = nullptr;
    PFN_DllUnregisterServer desenregistrer_ = nullptr;
};

TEST_F(Enregistrement, EcritLesClesDesDeuxClasses) {
    ASSERT_HR(S_OK, enregistrer_());
    struct Classe {
        std::string cle, independant, versionne, description;
    };
    const Classe classes[] = {
        {cleLexigarde, "Composant.Interne.ValidationMotsCles", "Composant.Interne.ValidationMotsCles.1",
         "Composant interne de validation de mots cl?s"},
        {cleTraducteur, "Composant.Interne.Trad.ASCII.HTML", "Composant.Interne.Trad.ASCII.HTML.1",
         "Composant interne de traduction de ASCII ? m?tacaract?re HTML"},
    };
    for (const Classe& c : classes) {
        const std::string texteClsid = c.cle.substr(6);
        EXPECT_EQ(38u, texteClsid.size());
        EXPECT_EQ(c.description, Texte(c.cle));
        EXPECT_EQ(Etroit(CheminDuModule()), Texte(c.cle + "\\InprocServer32"));
        EXPECT_EQ(c.versionne, Texte(c.cle + "\\ProgID"));
        EXPECT_EQ(c.independant, Texte(c.cle + "\\VersionIndependentProgID"));
        EXPECT_EQ(c.description, Texte(c.independant));
        EXPECT_EQ(texteClsid, Texte(c.independant + "\\CLSID"));
        EXPECT_EQ(c.versionne, Texte(c.independant + "\\CurVer"));
        EXPECT_EQ(c.description, Texte(c.versionne));
        EXPECT_EQ(texteClsid, Texte(c.versionne + "\\CLSID"));
        EXPECT_FALSE(LireValeur(Large(c.cle + "\\InprocServer32"), Large("ThreadingModel").c_str()))
            << "no threading model is registered";
        EXPECT_FALSE(CleExiste(Large(c.cle + "\\LocalServer32")));
    }
}

TEST_F(Enregistrement, EcritLesDescriptionsEnUtf16AvecLeurNul) {
    ASSERT_HR(S_OK, enregistrer_());
    const auto lexigarde = LireValeur(Large(cleLexigarde));
    const auto traducteur = LireValeur(Large("Composant.Interne.Trad.ASCII.HTML.1"));
    ASSERT_TRUE(lexigarde && traducteur);
    EXPECT_EQ(90u, lexigarde->octets.size());
    EXPECT_EQ(124u, traducteur->octets.size());
    const TexteLarge cles = lexigarde->Texte();
    EXPECT_EQ(static_cast<WCHAR>(0xE9), cles[cles.size() - 2]) << "é is U+00E9";
    const TexteLarge traduction = traducteur->Texte();
    EXPECT_NE(TexteLarge::npos, traduction.find(static_cast<WCHAR>(0xE0))) << "à is U+00E0";
    EXPECT_NE(TexteLarge::npos, traduction.find(static_cast<WCHAR>(0xE8))) << "è is U+00E8";
}

TEST_F(Enregistrement, EnregistrerDeuxFoisLaisseLeRegistreCommeUneFois) {
    ASSERT_HR(S_OK, enregistrer_());
    std::vector<std::string> premiere;
    for (const char* cle : clesDesClasses) {
        const auto lignes = Arborescence(Large(cle));
        EXPECT_FALSE(lignes.empty()) << cle;
        premiere.insert(premiere.end(), lignes.begin(), lignes.end());
    }
    ASSERT_HR(S_OK, enregistrer_());
    std::vector<std::string> seconde;
    for (const char* cle : clesDesClasses) {
        const auto lignes = Arborescence(Large(cle));
        seconde.insert(seconde.end(), lignes.begin(), lignes.end());
    }
    EXPECT_EQ(premiere, seconde);
}

TEST_F(Enregistrement, DesenregistrerEnleveToutSousLesClesDesClassesEtRienAutour) {
    ASSERT_HR(S_OK, enregistrer_());
    // What another program may have added inside the classes' trees, and beside them.
    HKEY cle = nullptr;
    const TexteLarge etranger = Large(std::string(cleLexigarde) + "\\Implemented Categories\\{X}\\Y");
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, etranger.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &cle, nullptr));
    const TexteLarge donnee = Large("z");
    RegSetValueExW(cle, Large("Valeur").c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(donnee.c_str()), 4);
    RegCloseKey(cle);
    const TexteLarge voisin = Large("Composant.Interne.ValidationMotsCles.2");
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, voisin.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &cle, nullptr));
    RegCloseKey(cle);

    ASSERT_HR(S_OK, desenregistrer_());
    for (const char* cle : clesDesClasses) EXPECT_FALSE(CleExiste(Large(cle))) << cle;
    EXPECT_TRUE(CleExiste(Large("CLSID")));
    EXPECT_TRUE(CleExiste(voisin)) << "a key beside the classes' trees is not theirs";
    RegDeleteKeyW(HKEY_CLASSES_ROOT, voisin.c_str());
}

TEST_F(Enregistrement, DesenregistrerSansRienDEnregistreRendSOk) {
    EXPECT_HR(S_OK, desenregistrer_());
    EXPECT_HR(S_OK, desenregistrer_());
    for (const char* cle : clesDesClasses) EXPECT_FALSE(CleExiste(Large(cle))) << cle;
}

// A copy of the module, under another name or under the same name beside
// the original, registers its own path: never the host program's, nor that
// of another module of the same name.
TEST(EnregistrementRenomme, UneCopieRenommeeOuHomonymeEnregistreSonPropreChemin) {
    namespace fs = std::filesystem;
    const fs::path dossier = fs::path(DossierDuProgramme()) / "renomme";
    fs::create_directories(dossier);
    const ModuleLexigarde original;
    for (const char* nom : {"LexigardeRenomme.dll", "Lexigarde.dll"}) {
        SCOPED_TRACE(nom);
        const fs::path copie = dossier / nom;
        fs::copy_file(fs::path(DossierDuProgramme()) / "Lexigarde.dll", copie,
                      fs::copy_options::overwrite_existing);
        const std::u16string cheminCopie = copie.u16string();
        ModuleLexigarde module(TexteLarge(cheminCopie.begin(), cheminCopie.end()));
        ASSERT_NE(original.Poignee(), module.Poignee());
        const auto enregistrer = module.Export<PFN_DllRegisterServer>("DllRegisterServer");
        const auto desenregistrer = module.Export<PFN_DllUnregisterServer>("DllUnregisterServer");
        ASSERT_HR(S_OK, enregistrer());
        const auto chemin = LireValeur(Large(std::string(cleTraducteur) + "\\InprocServer32"));
        ASSERT_TRUE(chemin);
        EXPECT_EQ(fs::canonical(copie), fs::canonical(fs::path(chemin->Texte())));
        EXPECT_HR(S_OK, desenregistrer());
    }
    fs::remove_all(dossier);
}

} // namespace
