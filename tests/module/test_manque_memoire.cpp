// Lack of memory made to happen at each allocation that activation and
// registration perform: every call answers S_OK or its documented failure,
// nulls its out-pointer on failure, and leaves no block, no count and no
// open key behind; a registration cut short is undone by unregistering.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>

#include "registration/registre_essai.h"
#include "support/essais.h"

#if !defined(_WIN32)
extern "C" void EssaiEchouerAllocation(long rang);
extern "C" long EssaiAllocationsFaites();
extern "C" long EssaiAllocationsVivantes();
#endif

namespace {

class ManqueMemoire : public ::testing::Test {
protected:
    // On Windows, the test build of the module that carries the allocator.
    ManqueMemoire()
#if defined(_WIN32)
        : module_(DossierDuProgramme() + L"defaillant\\Lexigarde.dll"),
          echouer_(module_.Export<void (*)(long)>("EssaiEchouerAllocation")),
          faites_(module_.Export<long (*)()>("EssaiAllocationsFaites")),
          vivantes_(module_.Export<long (*)()>("EssaiAllocationsVivantes"))
#else
        : echouer_(EssaiEchouerAllocation), faites_(EssaiAllocationsFaites),
          vivantes_(EssaiAllocationsVivantes)
#endif
    {
    }

    // Runs `operation` with each of its allocations failing in turn, then
    // once with none failing. `preparer` sets the scene before each run and
    // `verifier` looks at the result and clears up after it, with nothing
    // failing in either. Each run answers S_OK (only when nothing failed) or
    // one of `echecs`, and leaves as many blocks alive as there were before.
    void Balayer(const std::function<HRESULT()>& operation,
                 std::initializer_list<HRESULT> echecs = {E_OUTOFMEMORY},
                 const std::function<void(HRESULT)>& verifier = {},
                 const std::function<void()>& preparer = {}) {
        for (long rang = 0;; ++rang) {
            const long avant = vivantes_();
            if (preparer) preparer();
            echouer_(rang);
            const HRESULT hr = operation();
            const long faites = faites_();
            echouer_(-1);
            if (verifier) verifier(hr);
            EXPECT_EQ(avant, vivantes_()) << "allocation " << rang << " failing leaked a block";
            EXPECT_HR(S_OK, module_.DllCanUnloadNow()) << "allocation " << rang;
            if (faites <= rang) {
                EXPECT_HR(S_OK, hr) << "no allocation failed, yet the call failed";
                EXPECT_GT(rang, 0) << "the operation allocates nothing: the sweep shows nothing";
                std::printf("out of memory: %ld allocations made to fail\n", rang);
                return;
            }
            EXPECT_TRUE(std::find(echecs.begin(), echecs.end(), hr) != echecs.end())
                << "allocation " << rang << " failing gave " << std::hex << hr;
        }
    }

    ModuleLexigarde module_;
    void (*echouer_)(long);
    long (*faites_)();
    long (*vivantes_)();
};

TEST_F(ManqueMemoire, DllGetClassObjectRendEOutOfMemorySansRienLaisser) {
    for (const CLSID* clsid : {&CLSID_Lexigarde, &CLSID_TraducteurASCIIMeta}) {
        Balayer([&] {
            void* fabrique = sentinelle;
            const HRESULT hr = module_.DllGetClassObject(*clsid, IID_IClassFactory, &fabrique);
            if (SUCCEEDED(hr))
                static_cast<IUnknown*>(fabrique)->Release();
            else
                EXPECT_EQ(nullptr, fabrique);
            return hr;
        });
    }
}

TEST_F(ManqueMemoire, CreateInstanceRendEOutOfMemorySansRienLaisser) {
    struct Classe {
        const CLSID* clsid;
        const IID* iid;
    };
    for (const Classe& classe : {Classe{&CLSID_Lexigarde, &IID_IValiderMotsCles},
                                 Classe{&CLSID_TraducteurASCIIMeta, &IID_ITraduireASCIIMeta}}) {
        void* fabrique = nullptr;
        ASSERT_HR(S_OK, module_.DllGetClassObject(*classe.clsid, IID_IClassFactory, &fabrique));
        Balayer([&] {
            void* objet = sentinelle;
            const HRESULT hr =
                static_cast<IClassFactory*>(fabrique)->CreateInstance(nullptr, *classe.iid, &objet);
            if (SUCCEEDED(hr))
                static_cast<IUnknown*>(objet)->Release();
            else
                EXPECT_EQ(nullptr, objet);
            return hr;
        });
        static_cast<IUnknown*>(fabrique)->Release();
    }
}

// The registry's own memory fails too on Linux, where the allocator is the
// process's: a registry call then fails and the class with it. Under Wine
// only the module's memory fails.
#if defined(_WIN32)
const std::initializer_list<HRESULT> echecsEnregistrement = {E_OUTOFMEMORY};
#else
const std::initializer_list<HRESULT> echecsEnregistrement = {E_OUTOFMEMORY, SELFREG_E_CLASS};
#endif

const char* const arbresDesClasses[] = {
    "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}",
    "Composant.Interne.ValidationMotsCles",
    "Composant.Interne.ValidationMotsCles.1",
    "CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}",
    "Composant.Interne.Trad.ASCII.HTML",
    "Composant.Interne.Trad.ASCII.HTML.1",
};

std::vector<std::string> CeQuiEstEnregistre() {
    std::vector<std::string> lignes;
    for (const char* arbre : arbresDesClasses) {
        const auto arborescence = Arborescence(Large(arbre));
        lignes.insert(lignes.end(), arborescence.begin(), arborescence.end());
    }
    std::sort(lignes.begin(), lignes.end());
    return lignes;
}

class ManqueMemoireRegistre : public ManqueMemoire {
protected:
    void SetUp() override {
        enregistrer_ = module_.Export<PFN_DllRegisterServer>("DllRegisterServer");
        desenregistrer_ = module_.Export<PFN_DllUnregisterServer>("DllUnregisterServer");
        ASSERT_TRUE(enregistrer_ && desenregistrer_);
        // Also builds the fixed key names, which are kept until unload.
        ASSERT_HR(S_OK, enregistrer_());
        complet_ = CeQuiEstEnregistre();
        ASSERT_EQ(36u, complet_.size()) << "18 keys, each with its default value";
        ASSERT_HR(S_OK, desenregistrer_());
        Vider();
    }

    // Whatever the call answered, the classes' trees hold part of a whole
    // registration (all of it after `S_OK` if `complet`, none if not), no key
    // stays open, and unregistering removes all.
    void VerifierPuisDesenregistrer(HRESULT hr, bool complet) {
#if !defined(_WIN32)
        EXPECT_EQ(0u, PlateformeClesOuvertes()) << "a key was left open";
#endif
        const std::vector<std::string> etat = CeQuiEstEnregistre();
        EXPECT_TRUE(std::includes(complet_.begin(), complet_.end(), etat.begin(), etat.end()))
            << "a failed call wrote what a whole registration does not";
        if (hr == S_OK) {
            EXPECT_EQ(complet ? complet_.size() : 0u, etat.size());
        }
        EXPECT_HR(S_OK, desenregistrer_());
        EXPECT_TRUE(CeQuiEstEnregistre().empty()) << "unregistering left keys behind";
        Vider();
    }

    // On Linux the stand-in's registry is emptied, so that its blocks count
    // for nothing; under Wine the registry is the system's.
    static void Vider() {
#if !defined(_WIN32)
        PlateformeViderRegistre();
#endif
    }

    PFN_DllRegisterServer enregistrer_ = nullptr;
    PFN_DllUnregisterServer desenregistrer_ = nullptr;
    std::vector<std::string> complet_;
};

TEST_F(ManqueMemoireRegistre, DllRegisterServerEchoueProprementEtSeDefaitEnDesenregistrant) {
    Balayer([&] { return enregistrer_(); }, echecsEnregistrement,
            [&](HRESULT hr) { VerifierPuisDesenregistrer(hr, true); });
}

TEST_F(ManqueMemoireRegistre, DllUnregisterServerEchoueProprementEtUnSecondAppelAcheve) {
    Balayer([&] { return desenregistrer_(); }, echecsEnregistrement,
            [&](HRESULT hr) { VerifierPuisDesenregistrer(hr, false); },
            [&] { ASSERT_HR(S_OK, enregistrer_()); });
}

} // namespace
