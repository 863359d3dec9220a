// Activation through the exports of the loaded module. Every sequence of
// calls on factories and objects, with every count, is the activation fuzz
// target's; here, threads (a client in C: tests/paquet/client).
#include <atomic>
#include <thread>
#include <vector>

#include "support/essais.h"

namespace {

using Activation = ClientLexigarde;

// Threads share a factory and an object, hand objects to one another
// (AddRef here, Release there), and release locks other threads took. The
// main thread changes the count first: a mutex it kept would stop them all.
TEST_F(Activation, DesThreadsPartagentObjetsFabriquesEtVerrousSansPerdreDeCompte) {
    EXPECT_EQ(0u, Module().CreerTraducteur()->Release());
    auto* partage = static_cast<IValiderMotsCles*>(Module().Creer(CLSID_Lexigarde, IID_IValiderMotsCles));
    IClassFactory* fabrique = nullptr;
    ASSERT_HR(S_OK, Module().DllGetClassObject(CLSID_TraducteurASCIIMeta, IID_IClassFactory,
                                               reinterpret_cast<void**>(&fabrique)));
    ASSERT_NE(nullptr, partage);
    std::atomic<IUnknown*> passage{nullptr};
    std::atomic<int> erreursValider{0};
    std::atomic<int> reponsesFausses{0};
    std::atomic<int> erreursCreer{0};
    std::atomic<int> verrous{0};
    std::vector<std::thread> groupe;
    for (int t = 0; t < 4; ++t) {
        groupe.emplace_back([&, t] {
            for (int i = 0; i < 5000; ++i) {
                partage->AddRef();
                bool motCle = false;
                erreursValider += partage->Valider((i + t) % 2 ? "class" : "klass", &motCle) != S_OK;
                reponsesFausses += motCle != bool((i + t) % 2);
                partage->Release();
                void* objet = nullptr;
                erreursCreer += fabrique->CreateInstance(nullptr, IID_ITraduireASCIIMeta, &objet) != S_OK;
                if (IUnknown* recu = passage.exchange(static_cast<IUnknown*>(objet))) recu->Release();
                // Every other lock releases two: its own, or one another thread took.
                fabrique->LockServer(TRUE);
                if (verrous.fetch_add(1) % 2 == 1) {
                    fabrique->LockServer(FALSE);
                    fabrique->LockServer(FALSE);
                    verrous -= 2;
                }
            }
        });
    }
    for (auto& thread : groupe) thread.join();
    EXPECT_EQ(0, erreursValider);
    EXPECT_EQ(0, reponsesFausses);
    EXPECT_EQ(0, erreursCreer);
    EXPECT_EQ(0u, passage.load()->Release());
    for (; verrous > 0; --verrous) fabrique->LockServer(FALSE);
    EXPECT_EQ(2u, partage->AddRef()) << "no reference may be lost";
    partage->Release();
    EXPECT_EQ(0u, partage->Release());
    EXPECT_EQ(0u, fabrique->Release());
}

} // namespace
