// The registry and text helpers of registration, on their own.
#include "registration/outils_registre.h"
#include "registration/registre_essai.h"

namespace {

const TexteLarge racineEssai = Large("LexigardeEssai.Outils");

class OutilsRegistre : public ::testing::Test {
protected:
    void SetUp() override { SupprimerArborescence(HKEY_CLASSES_ROOT, racineEssai); }
    void TearDown() override { SupprimerArborescence(HKEY_CLASSES_ROOT, racineEssai); }
};

TEST(Texte, ElargirTexteGardeChaqueOctetCommeUnCodeUnite) {
    const TexteLarge cles = ElargirTexte("cl\xE9s");
    ASSERT_EQ(4u, cles.size());
    EXPECT_EQ(0x63, cles[0]);
    EXPECT_EQ(0x6C, cles[1]);
    EXPECT_EQ(0xE9, cles[2]);
    EXPECT_EQ(0x73, cles[3]);
    EXPECT_TRUE(ElargirTexte("").empty());
    EXPECT_EQ(0xFF, ElargirTexte("\xFF")[0]) << "no sign extension";
}

TEST(Texte, TexteCLSIDDonneLaFormeDuRegistreEnMajuscules) {
    const CLSID clsid = {0x2780ACD9, 0x1CC9, 0x4691, {0xA8, 0xE7, 0x19, 0x1B, 0x2D, 0xA7, 0xDB, 0x41}};
    EXPECT_EQ("{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}", Etroit(TexteCLSID(clsid)));
    EXPECT_EQ("CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}", Etroit(CheminCleCLSID(TexteCLSID(clsid))));
}

TEST_F(OutilsRegistre, CreerCleCreeLeCheminEtRemplaceLaValeurParDefaut) {
    const TexteLarge profonde = racineEssai + Large("\\a\\b");
    ASSERT_TRUE(CreerCle(profonde, Large(""), Large("une")));
    EXPECT_EQ("une", Etroit(LireValeur(profonde)->Texte()));
    EXPECT_EQ(8u, LireValeur(profonde)->octets.size()) << "three characters and the NUL, two bytes each";
    ASSERT_TRUE(CreerCle(racineEssai + Large("\\a"), Large("b"), Large("deux")));
    EXPECT_EQ("deux", Etroit(LireValeur(profonde)->Texte()));
    ASSERT_TRUE(CreerCle(profonde, Large(""), Large("")));
    EXPECT_EQ("deux", Etroit(LireValeur(profonde)->Texte())) << "an empty value writes nothing";
    ASSERT_TRUE(CreerCle(racineEssai, Large("vide"), Large("")));
    EXPECT_TRUE(CleExiste(racineEssai + Large("\\vide")));
    EXPECT_FALSE(LireValeur(racineEssai + Large("\\vide")));
}

TEST_F(OutilsRegistre, DefinirValeurNeCreeJamaisLaCle) {
    const TexteLarge absente = racineEssai + Large("\\absente");
    EXPECT_FALSE(DefinirValeur(absente, Large("Nom"), Large("x")));
    EXPECT_FALSE(DefinirValeur(absente, Large("Nom"), Large("")));
    EXPECT_FALSE(CleExiste(absente));
    ASSERT_TRUE(CreerCle(racineEssai, Large(""), Large("")));
    EXPECT_TRUE(DefinirValeur(racineEssai, Large("Nom"), Large("x")));
    EXPECT_EQ("x", Etroit(LireValeur(racineEssai, Large("Nom").c_str())->Texte()));
}

TEST_F(OutilsRegistre, SupprimerArborescenceEnleveTousLesNiveaux) {
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, SupprimerArborescence(HKEY_CLASSES_ROOT, racineEssai));
    for (const char* chemin : {"\\a\\b\\c\\d", "\\a\\b2", "\\e", "\\a\\b\\c2"})
        ASSERT_TRUE(CreerCle(racineEssai + Large(chemin), Large(""), Large("v")));
    EXPECT_EQ(ERROR_SUCCESS, SupprimerArborescence(HKEY_CLASSES_ROOT, racineEssai));
    EXPECT_FALSE(CleExiste(racineEssai));
}

} // namespace
