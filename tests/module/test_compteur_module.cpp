// The module counter: on an instance of the test's own, and the module's
// own instance (linked into this program) through a component object.
#include "components/keywords/composant_lexigarde.h"
#include "module/compteur_module.h"
#include "support/essais.h"

#if !defined(_WIN32)
extern "C" long EssaiAllocationsVivantes();
#endif

namespace {

TEST(CompteurModule, SignaleLEvenementQuandUnDecrementAtteintZeroEtSeulementAlors) {
    CompteurModule compteur;
    // Each step (+1 or -1), then the count and whether the event is signalled: nothing resets it.
    const struct {
        int pas, compte;
        bool signale;
    } etapes[] = {{1, 1, false}, {1, 2, false}, {-1, 1, false}, {-1, 0, true}, {1, 1, true}, {-1, 0, true}};
    for (const auto& e : etapes) {
        e.pas > 0 ? compteur.Incrementer() : compteur.Decrementer();
        EXPECT_EQ(e.compte, compteur.Compte());
        EXPECT_EQ(e.compte == 0, compteur.EstNul());
        EXPECT_EQ(e.signale, compteur.Evenement()->Attendre(0));
    }
    compteur.Evenement()->Reinitialiser();
    compteur.Decrementer();
    compteur.Incrementer();
    EXPECT_TRUE(compteur.EstNul());
    EXPECT_FALSE(compteur.Evenement()->Attendre(0)) << "an increment back to zero does not signal";
}

TEST(CompteurModule, LeCompteurDuModuleSignaleQuandSonDernierObjetPart) {
    compteurModule.Evenement()->Reinitialiser();
    Lexigarde* objet = new Lexigarde;
    EXPECT_FALSE(compteurModule.EstNul());
    objet->Release();
    EXPECT_TRUE(compteurModule.EstNul());
    EXPECT_TRUE(compteurModule.Evenement()->Attendre(0));
}

#if !defined(_WIN32)
// Each change takes the mutex it releases; the counter gives back both
// kernel objects. Win32 reports the faults and forgets them: the stand-in counts.
TEST(CompteurModule, PrendSonMutexEtRendSesObjetsNoyau) {
    const long vivantes = EssaiAllocationsVivantes();
    const DWORD refus = PlateformeAppelsRefuses();
    CompteurModule* compteur = new CompteurModule;
    compteur->Incrementer();
    compteur->Decrementer();
    delete compteur;
    EXPECT_EQ(refus, PlateformeAppelsRefuses()) << "a mutex released without being taken";
    EXPECT_EQ(vivantes, EssaiAllocationsVivantes());
}
#endif

} // namespace
