// Activation through the exports of the loaded module. Every sequence of
// calls on factories and objects, with every count, is the activation fuzz
// target's: here, what it cannot show.
#include <atomic>
#include <thread>
#include <vector>

#include "support/essais.h"

namespace {

using Activation = ClientLexigarde;

IClassFactory* Fabrique(REFCLSID clsid) {
    void* fabrique = nullptr;
    EXPECT_HR(S_OK, ClientLexigarde::Module().DllGetClassObject(clsid, IID_IClassFactory, &fabrique));
    return static_cast<IClassFactory*>(fabrique);
}

const IID* const iids[] = {&IID_IUnknown, &IID_IClassFactory, &IID_IValiderMotsCles, &IID_ITraduireASCIIMeta};

TEST_F(Activation, ChaqueObjetNeDonneQueSesInterfacesSousUneSeuleIdentite) {
    IUnknown* objets[] = {Fabrique(CLSID_Lexigarde), Fabrique(CLSID_TraducteurASCIIMeta),
                          Module().CreerValidateur(), Module().CreerTraducteur()};
    // Rows: the objects above; columns: the interfaces of `iids`.
    const bool donne[4][4] = {{1, 1, 0, 0}, {1, 1, 0, 0}, {1, 0, 1, 0}, {1, 0, 0, 1}};
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow()) << "objects outlive their factories and hold the module";
    for (int o = 0; o < 4; ++o) {
        ASSERT_NE(nullptr, objets[o]);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << "object " << o << ", interface " << i);
            void* ppv = sentinelle;
            EXPECT_HR(donne[o][i] ? S_OK : E_NOINTERFACE, objets[o]->QueryInterface(*iids[i], &ppv));
            EXPECT_EQ(donne[o][i] ? objets[o] : nullptr, ppv);
            EXPECT_HR(E_POINTER, objets[o]->QueryInterface(*iids[i], nullptr));
            const ULONG references = donne[o][i] ? 2 : 1; // one more per interface given
            EXPECT_EQ(references + 1, objets[o]->AddRef());
            EXPECT_EQ(references, objets[o]->Release());
            if (donne[o][i]) objets[o]->Release();
        }
    }
    for (IUnknown* objet : objets) EXPECT_EQ(0u, objet->Release());
}

// Threads share a factory and an object, hand objects to one another
// (AddRef here, Release there), and release locks other threads took.
TEST_F(Activation, DesThreadsPartagentObjetsFabriquesEtVerrousSansPerdreDeCompte) {
    SAUTER_SOUS_EMULATION_I386();
    IValiderMotsCles* partage = Module().CreerValidateur();
    IClassFactory* fabrique = Fabrique(CLSID_TraducteurASCIIMeta);
    ASSERT_TRUE(partage && fabrique);
    std::atomic<IUnknown*> passage{nullptr};
    std::atomic<int> erreurs{0}, verrous{0};
    std::vector<std::thread> groupe;
    for (int t = 0; t < 4; ++t) {
        groupe.emplace_back([&, t] {
            for (int i = 0; i < 5000; ++i) {
                partage->AddRef();
                bool motCle = false;
                erreurs += partage->Valider((i + t) % 2 ? "class" : "klass", &motCle) != S_OK ||
                           motCle != bool((i + t) % 2);
                partage->Release();
                void* objet = nullptr;
                erreurs += fabrique->CreateInstance(nullptr, IID_ITraduireASCIIMeta, &objet) != S_OK;
                ResultatTraduction r;
                erreurs +=
                    static_cast<ITraduireASCIIMeta*>(objet)->Traduire('&', &r) != S_OK || r.longueur != 5;
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
    EXPECT_EQ(0, erreurs);
    EXPECT_EQ(0u, passage.load()->Release());
    for (; verrous > 0; --verrous) fabrique->LockServer(FALSE);
    EXPECT_EQ(2u, partage->AddRef()) << "no reference may be lost";
    partage->Release();
    EXPECT_EQ(0u, partage->Release());
    EXPECT_EQ(0u, fabrique->Release());
}

extern "C" int ClientCEssayer(PFN_DllGetClassObject obtenir);

TEST_F(Activation, UnClientEnCPasseParLpVtbl) {
    EXPECT_EQ(0, ClientCEssayer(Module().Export<PFN_DllGetClassObject>("DllGetClassObject")));
}

} // namespace
