// From activation to unloading, through the exports of the loaded module.
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

TEST_F(Activation, UnClientCreeUtiliseEtLibereLesDeuxComposants) {
    IValiderMotsCles* validateur = Module().CreerValidateur();
    ITraduireASCIIMeta* traducteur = Module().CreerTraducteur();
    ASSERT_NE(nullptr, validateur);
    ASSERT_NE(nullptr, traducteur);
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow());

    bool motCle = false;
    EXPECT_HR(S_OK, validateur->Valider("template", &motCle));
    EXPECT_TRUE(motCle);
    ResultatTraduction resultat;
    EXPECT_HR(S_OK, traducteur->Traduire('>', &resultat));
    EXPECT_EQ(4, resultat.longueur);

    EXPECT_EQ(0u, validateur->Release());
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow());
    EXPECT_EQ(0u, traducteur->Release());
    EXPECT_HR(S_OK, Module().DllCanUnloadNow());
}

TEST_F(Activation, ChaqueAppelDonneUneNouvelleFabriqueQuiNeRetientPasLeModule) {
    IClassFactory* a = Fabrique(CLSID_Lexigarde);
    IClassFactory* b = Fabrique(CLSID_Lexigarde);
    IClassFactory* c = Fabrique(CLSID_TraducteurASCIIMeta);
    ASSERT_TRUE(a && b && c);
    EXPECT_NE(a, b);
    EXPECT_HR(S_OK, Module().DllCanUnloadNow());

    void* inconnu = sentinelle;
    void* fabrique = sentinelle;
    EXPECT_HR(S_OK, a->QueryInterface(IID_IUnknown, &inconnu));
    EXPECT_HR(S_OK, a->QueryInterface(IID_IClassFactory, &fabrique));
    EXPECT_EQ(static_cast<void*>(a), inconnu);
    EXPECT_EQ(static_cast<void*>(a), fabrique);
    EXPECT_EQ(4u, a->AddRef()) << "each QueryInterface added one";
    EXPECT_EQ(3u, a->Release());
    EXPECT_EQ(2u, a->Release());
    EXPECT_EQ(1u, a->Release());
    EXPECT_EQ(0u, a->Release());
    EXPECT_EQ(0u, b->Release());
    EXPECT_EQ(0u, c->Release());
}

// The call is refused with `attendu` and nulls its out-pointer.
template <class Appel>
void AttendreRefus(HRESULT attendu, Appel appel) {
    void* ppv = sentinelle;
    EXPECT_HR(attendu, appel(&ppv));
    EXPECT_EQ(nullptr, ppv);
}

TEST_F(Activation, RefuseLesClassesEtInterfacesInconnuesEnAnnulantLePointeur) {
    GUID presque = CLSID_Lexigarde;
    presque.Data4[7] ^= 1;
    for (const GUID* inconnu : {&IID_IValiderMotsCles, const_cast<const GUID*>(&presque)})
        AttendreRefus(CLASS_E_CLASSNOTAVAILABLE, [&](void** ppv) {
            return Module().DllGetClassObject(*inconnu, IID_IClassFactory, ppv);
        });
    IClassFactory* fabrique = Fabrique(CLSID_Lexigarde);
    ASSERT_NE(nullptr, fabrique);
    for (const IID* iid : {&IID_IValiderMotsCles, &IID_ITraduireASCIIMeta}) {
        AttendreRefus(E_NOINTERFACE,
                      [&](void** ppv) { return Module().DllGetClassObject(CLSID_Lexigarde, *iid, ppv); });
        AttendreRefus(E_NOINTERFACE, [&](void** ppv) { return fabrique->QueryInterface(*iid, ppv); });
    }
    for (const IID* iid : {&IID_ITraduireASCIIMeta, &IID_IClassFactory}) {
        AttendreRefus(E_NOINTERFACE,
                      [&](void** ppv) { return fabrique->CreateInstance(nullptr, *iid, ppv); });
        EXPECT_HR(S_OK, Module().DllCanUnloadNow()) << "the refused object must be gone";
    }
    EXPECT_EQ(2u, fabrique->AddRef()) << "refusals leave the factory's count alone";
    fabrique->Release();
    EXPECT_EQ(0u, fabrique->Release());
}

TEST_F(Activation, RefuseLAgregationSansRienConstruire) {
    for (const CLSID* clsid : {&CLSID_Lexigarde, &CLSID_TraducteurASCIIMeta}) {
        IClassFactory* fabrique = Fabrique(*clsid);
        ASSERT_NE(nullptr, fabrique);
        IUnknown* exterieur = Module().CreerValidateur();
        ASSERT_NE(nullptr, exterieur);
        AttendreRefus(CLASS_E_NOAGGREGATION,
                      [&](void** ppv) { return fabrique->CreateInstance(exterieur, IID_IUnknown, ppv); });
        EXPECT_EQ(0u, exterieur->Release());
        EXPECT_HR(S_OK, Module().DllCanUnloadNow()) << "the refusal must not count an object";
        fabrique->Release();
    }
}

TEST_F(Activation, RefuseLesPointeursDeSortieNulsSansRienCompter) {
    EXPECT_HR(E_POINTER, Module().DllGetClassObject(CLSID_Lexigarde, IID_IClassFactory, nullptr));
    IClassFactory* fabrique = Fabrique(CLSID_TraducteurASCIIMeta);
    ASSERT_NE(nullptr, fabrique);
    EXPECT_HR(E_POINTER, fabrique->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_HR(E_POINTER, fabrique->CreateInstance(nullptr, IID_ITraduireASCIIMeta, nullptr));
    EXPECT_HR(S_OK, Module().DllCanUnloadNow());
    ITraduireASCIIMeta* traducteur = Module().CreerTraducteur();
    ASSERT_NE(nullptr, traducteur);
    EXPECT_HR(E_POINTER, traducteur->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(0u, fabrique->Release());
    EXPECT_EQ(0u, traducteur->Release()) << "a refused QueryInterface must not add a reference";
}

TEST_F(Activation, UnObjetAUneSeuleIdentiteEtCompteSesReferences) {
    IValiderMotsCles* validateur = Module().CreerValidateur();
    ASSERT_NE(nullptr, validateur);
    void* inconnu = sentinelle;
    void* encore = sentinelle;
    ASSERT_HR(S_OK, validateur->QueryInterface(IID_IUnknown, &inconnu));
    ASSERT_HR(S_OK, static_cast<IUnknown*>(inconnu)->QueryInterface(IID_IUnknown, &encore));
    EXPECT_EQ(static_cast<void*>(validateur), inconnu);
    EXPECT_EQ(inconnu, encore);
    EXPECT_EQ(2u, validateur->Release());
    EXPECT_EQ(1u, validateur->Release());

    for (const IID* iid : {&IID_IClassFactory, &IID_ITraduireASCIIMeta})
        AttendreRefus(E_NOINTERFACE, [&](void** ppv) { return validateur->QueryInterface(*iid, ppv); });
    EXPECT_EQ(2u, validateur->AddRef());
    EXPECT_EQ(1u, validateur->Release());
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow());
    EXPECT_EQ(0u, validateur->Release());

    ITraduireASCIIMeta* traducteur = Module().CreerTraducteur();
    ASSERT_NE(nullptr, traducteur);
    AttendreRefus(E_NOINTERFACE,
                  [&](void** ppv) { return traducteur->QueryInterface(IID_IValiderMotsCles, ppv); });
    EXPECT_EQ(0u, traducteur->Release());
}

TEST_F(Activation, UnObjetSurvitASaFabrique) {
    IClassFactory* fabrique = Fabrique(CLSID_Lexigarde);
    ASSERT_NE(nullptr, fabrique);
    void* objet = nullptr;
    ASSERT_HR(S_OK, fabrique->CreateInstance(nullptr, IID_IValiderMotsCles, &objet));
    EXPECT_EQ(0u, fabrique->Release());
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow());
    bool motCle = false;
    EXPECT_HR(S_OK, static_cast<IValiderMotsCles*>(objet)->Valider("virtual", &motCle));
    EXPECT_TRUE(motCle);
    EXPECT_EQ(0u, static_cast<IUnknown*>(objet)->Release());
}

TEST_F(Activation, LockServerRetientLeModuleSurToutesLesFabriques) {
    IClassFactory* f1 = Fabrique(CLSID_Lexigarde);
    IClassFactory* f2 = Fabrique(CLSID_TraducteurASCIIMeta);
    ASSERT_TRUE(f1 && f2);
    EXPECT_HR(S_OK, f1->LockServer(TRUE));
    EXPECT_HR(S_OK, f2->LockServer(42)) << "any non-zero value locks";
    EXPECT_HR(S_OK, f1->LockServer(FALSE));
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow());
    f1->Release();
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow()) << "the lock outlives its factory";
    EXPECT_HR(S_OK, f2->LockServer(FALSE));
    EXPECT_HR(S_OK, Module().DllCanUnloadNow());

    // An unbalanced unlock goes below zero and is not refused.
    EXPECT_HR(S_OK, f2->LockServer(FALSE));
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow());
    EXPECT_HR(S_OK, f2->LockServer(TRUE));
    EXPECT_HR(S_OK, Module().DllCanUnloadNow());
    f2->Release();
}

TEST_F(Activation, DesThreadsPartagentObjetsEtVerrousSansPerdreDeCompte) {
    SAUTER_SOUS_EMULATION_I386();
    constexpr int threads = 4, tours = 2000;
    IValiderMotsCles* partage = Module().CreerValidateur();
    IClassFactory* fabriquePartagee = Fabrique(CLSID_TraducteurASCIIMeta);
    ASSERT_TRUE(partage && fabriquePartagee);
    std::atomic<int> erreurs{0};
    std::vector<std::thread> groupe;
    for (int t = 0; t < threads; ++t) {
        groupe.emplace_back([&, t] {
            for (int i = 0; i < tours; ++i) {
                partage->AddRef();
                fabriquePartagee->AddRef();
                bool motCle = false;
                if (FAILED(partage->Valider((i + t) % 2 ? "class" : "klass", &motCle)) ||
                    motCle != bool((i + t) % 2))
                    ++erreurs;
                void* objet = nullptr;
                if (FAILED(fabriquePartagee->CreateInstance(nullptr, IID_ITraduireASCIIMeta, &objet))) {
                    ++erreurs;
                } else {
                    ResultatTraduction r;
                    if (FAILED(static_cast<ITraduireASCIIMeta*>(objet)->Traduire('&', &r)) || r.longueur != 5)
                        ++erreurs;
                    static_cast<IUnknown*>(objet)->Release();
                }
                fabriquePartagee->LockServer(TRUE);
                fabriquePartagee->LockServer(FALSE);
                fabriquePartagee->Release();
                partage->Release();
            }
        });
    }
    for (auto& thread : groupe) thread.join();
    EXPECT_EQ(0, erreurs);
    EXPECT_EQ(2u, partage->AddRef()) << "no reference may be lost";
    partage->Release();
    EXPECT_EQ(0u, partage->Release());
    EXPECT_EQ(0u, fabriquePartagee->Release());
}

// A second load after the last release builds the module's globals anew.
TEST(Dechargement, LeModuleSeRechargeEtRepondEncore) {
    for (int fois = 0; fois < 2; ++fois) {
        ModuleLexigarde module;
        ASSERT_HR(S_OK, module.DllCanUnloadNow());
        IValiderMotsCles* validateur = module.CreerValidateur();
        ASSERT_NE(nullptr, validateur);
        bool motCle = false;
        EXPECT_HR(S_OK, validateur->Valider("asm", &motCle));
        EXPECT_TRUE(motCle);
        validateur->Release();
        EXPECT_HR(S_OK, module.DllCanUnloadNow());
    }
}

} // namespace

extern "C" int ClientCEssayer(PFN_DllGetClassObject obtenir);

namespace {

TEST_F(Activation, UnClientEnCPasseParLpVtbl) {
    EXPECT_EQ(0, ClientCEssayer(Module().Export<PFN_DllGetClassObject>("DllGetClassObject")));
}

} // namespace
