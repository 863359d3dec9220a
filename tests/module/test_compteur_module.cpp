// The module counter: the module's own instance (linked into this program)
// through component objects, and an instance of the test's own.
#include "components/keywords/composant_lexigarde.h"
#include "module/compteur_module.h"
#include "support/essais.h"

namespace {

// Every count is checked by the activation fuzz target; the event, here.
TEST(CompteurModule, SignaleQuandSonDernierObjetPartEtSeulementAlors) {
    compteurModule.Evenement()->Reinitialiser();
    Lexigarde* objets[] = {new Lexigarde, new Lexigarde};
    objets[0]->Release();
    EXPECT_FALSE(compteurModule.Evenement()->Attendre(0)) << "one object is left";
    objets[1]->Release();
    EXPECT_TRUE(compteurModule.Evenement()->Attendre(0));
    compteurModule.Evenement()->Reinitialiser();
    compteurModule.Decrementer();
    compteurModule.Incrementer();
    EXPECT_FALSE(compteurModule.Evenement()->Attendre(0)) << "an increment back to zero does not signal";
}

#if !defined(_WIN32)
// The counter gives back both kernel objects (that it takes the mutex it
// releases, every test of the loaded module shows: the stand-in counts misuse).
TEST(CompteurModule, RendSesObjetsNoyau) {
    const long vivantes = EssaiAllocationsVivantes();
    CompteurModule* compteur = new CompteurModule;
    compteur->Incrementer();
    compteur->Decrementer();
    delete compteur;
    EXPECT_EQ(vivantes, EssaiAllocationsVivantes());
}
#endif

} // namespace
