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
    // Each step, then the count, EstNul and whether the event is signalled.
    const struct {
        void (CompteurModule::*pas)();
        int compte;
        bool signale;
    } pas[] = {{&CompteurModule::Incrementer, 1, false}, {&CompteurModule::Incrementer, 2, false},
               {&CompteurModule::Decrementer, 1, false}, {&CompteurModule::Decrementer, 0, true},
               {&CompteurModule::Incrementer, 1, true},  {&CompteurModule::Decrementer, 0, true}};
    for (const auto& p : pas) {
        (compteur.*p.pas)();
        EXPECT_EQ(p.compte, compteur.Compte());
        EXPECT_EQ(p.compte == 0, compteur.EstNul());
        EXPECT_EQ(p.signale, compteur.Evenement()->Attendre(0)) << "nothing resets the event";
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
