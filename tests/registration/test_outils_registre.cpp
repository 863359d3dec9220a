// The registry and text helpers of registration, on their own.
#include "registration/outils_registre.h"
#include "registration/registre_essai.h"

namespace {

TEST(Texte, ElargirTexteGardeChaqueOctetCommeUnCodeUnite) {
    EXPECT_EQ((TexteLarge{0x63, 0x6C, 0xE9, 0x73, 0xFF}), ElargirTexte("cl\xE9s\xFF")) << "no sign extension";
    EXPECT_TRUE(ElargirTexte("").empty());
}

// The identifiers of the shared header, against their text written out
// here apart from it: a wrong byte in the header shows.
TEST(Texte, LesIdentifiantsOntLeurFormeDuRegistre) {
    const struct {
        const GUID* guid;
        const char* texte;
    } identifiants[] = {{&CLSID_Lexigarde, "{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}"},
                        {&CLSID_TraducteurASCIIMeta, "{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}"},
                        {&IID_IValiderMotsCles, "{EE9424BB-CFBD-4371-8C30-0875092A3FD4}"},
                        {&IID_ITraduireASCIIMeta, "{49E27F9D-E8C9-4235-82AC-29B3D41AA2C9}"},
                        {&IID_IUnknown, "{00000000-0000-0000-C000-000000000046}"},
                        {&IID_IClassFactory, "{00000001-0000-0000-C000-000000000046}"}};
    for (const auto& i : identifiants) EXPECT_EQ(Large(i.texte), TexteCLSID(*i.guid));
    EXPECT_EQ(Large("CLSID\\x"), CheminCleCLSID(Large("x")));
}

class OutilsRegistre : public ::testing::Test {
protected:
    const std::string racine_ = "LexigardeEssai.Outils";
    void SetUp() override { SupprimerArborescence(HKEY_CLASSES_ROOT, Large(racine_)); }
    void TearDown() override { SupprimerArborescence(HKEY_CLASSES_ROOT, Large(racine_)); }
};

TEST_F(OutilsRegistre, CreerCleCreeLeCheminEtNEcritQueLesValeursNonVides) {
    const std::string profonde = racine_ + "\\a\\b";
    ASSERT_TRUE(CreerCle(Large(profonde), {}, Large("une")));
    ASSERT_TRUE(CreerCle(Large(racine_ + "\\a"), Large("b"), Large("deux")));
    ASSERT_TRUE(CreerCle(Large(profonde), {}, {}));
    EXPECT_EQ(Large("deux"), LireTexte(profonde)) << "replaced, then kept";
    ASSERT_TRUE(CreerCle(Large(racine_), Large("vide"), {}));
    EXPECT_TRUE(CleExiste(Large(racine_ + "\\vide")));
    EXPECT_FALSE(LireTexte(racine_ + "\\vide"));
}

TEST_F(OutilsRegistre, DefinirValeurEcritSurUneCleExistanteSansJamaisLaCreer) {
    const std::string absente = racine_ + "\\absente";
    EXPECT_FALSE(DefinirValeur(Large(absente), Large("Nom"), Large("x")));
    EXPECT_FALSE(DefinirValeur(Large(absente), Large("Nom"), {}));
    EXPECT_FALSE(CleExiste(Large(absente)));
    ASSERT_TRUE(CreerCle(Large(racine_), {}, {}));
    EXPECT_TRUE(DefinirValeur(Large(racine_), Large("Nom"), {}));
    EXPECT_FALSE(LireTexte(racine_, "Nom"));
    EXPECT_TRUE(DefinirValeur(Large(racine_), Large("Nom"), Large("x")));
    EXPECT_EQ(Large("x"), LireTexte(racine_, "Nom"));
}

TEST_F(OutilsRegistre, SupprimerArborescenceEnleveTousLesNiveaux) {
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, SupprimerArborescence(HKEY_CLASSES_ROOT, Large(racine_)));
    for (const char* chemin : {"\\a\\b\\c\\d", "\\a\\b2", "\\e", "\\a\\b\\c2"})
        ASSERT_TRUE(CreerCle(Large(racine_ + chemin), {}, Large("v")));
    EXPECT_EQ(ERROR_SUCCESS, SupprimerArborescence(HKEY_CLASSES_ROOT, Large(racine_)));
    EXPECT_FALSE(CleExiste(Large(racine_)));
}

} // namespace
