// Lack of memory made to happen at each allocation that activation and
// registration perform: every call answers S_OK or its documented failure,
// nulls its out-pointer on failure, and leaves no block, no count and no
// open key behind.
#include <algorithm>
#include <functional>

#include "registration/registre_essai.h"

#if !defined(_WIN32)
extern "C" void EssaiEchouerAllocation(long rang);
extern "C" long EssaiAllocationsFaites();
extern "C" long EssaiAllocationsVivantes();
#endif

namespace {

class ManqueMemoire : public ::testing::Test {
protected:
    // On Windows, the test build of the module that carries the allocator;
    // on Linux the allocator is this program's, the module's too.
#if defined(_WIN32)
    ModuleLexigarde module_{DossierDuProgramme() + L"defaillant\\Lexigarde.dll"};
    void (*echouer_)(long) = module_.Export<void (*)(long)>("EssaiEchouerAllocation");
    long (*faites_)() = module_.Export<long (*)()>("EssaiAllocationsFaites");
    long (*vivantes_)() = module_.Export<long (*)()>("EssaiAllocationsVivantes");
#else
    ModuleLexigarde module_;
    void (*echouer_)(long) = EssaiEchouerAllocation;
    long (*faites_)() = EssaiAllocationsFaites;
    long (*vivantes_)() = EssaiAllocationsVivantes;
#endif

    // Runs `operation` with each of its allocations failing in turn, then
    // with none failing; `preparer` and `verifier` run before and after
    // each, with nothing failing.
    // A failure must be one of `echecs` and leave no block alive.
    void Balayer(const std::function<HRESULT()>& operation, std::initializer_list<HRESULT> echecs,
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
                return;
            }
            EXPECT_NE(echecs.end(), std::find(echecs.begin(), echecs.end(), hr))
                << "allocation " << rang << " failing gave " << testing::PrintToString(Hr{hr});
        }
    }

    // Creates and releases through `obtenir`, which must null its out-pointer on failure.
    void BalayerCreation(const std::function<HRESULT(void**)>& obtenir) {
        Balayer(
            [&] {
                void* ppv = sentinelle;
                const HRESULT hr = obtenir(&ppv);
                if (SUCCEEDED(hr)) {
                    static_cast<IUnknown*>(ppv)->Release();
                } else {
                    EXPECT_EQ(nullptr, ppv);
                }
                return hr;
            },
            {E_OUTOFMEMORY});
    }
};

TEST_F(ManqueMemoire, DllGetClassObjectEtCreateInstanceRendentEOutOfMemorySansRienLaisser) {
    const struct {
        const CLSID* clsid;
        const IID* iid;
    } classes[] = {{&CLSID_Lexigarde, &IID_IValiderMotsCles},
                   {&CLSID_TraducteurASCIIMeta, &IID_ITraduireASCIIMeta}};
    for (const auto& c : classes) {
        BalayerCreation(
            [&](void** ppv) { return module_.DllGetClassObject(*c.clsid, IID_IClassFactory, ppv); });
        IClassFactory* fabrique = nullptr;
        ASSERT_HR(S_OK, module_.DllGetClassObject(*c.clsid, IID_IClassFactory,
                                                  reinterpret_cast<void**>(&fabrique)));
        BalayerCreation([&](void** ppv) { return fabrique->CreateInstance(nullptr, *c.iid, ppv); });
        fabrique->Release();
    }
}

// A registration cut short keeps what it wrote, a whole registration's
// part, and unregistering removes it. An unregistration cut short by the
// module's lack of memory has removed the classes' trees in their order:
// the keyword class first, in each class the class key, then the
// version-independent ProgID, then the ProgID. On Linux the registry's own
// memory fails too: a registry call then fails, and SELFREG_E_CLASS says so.
TEST_F(ManqueMemoire, LEnregistrementEtSonRetraitEchouentProprementEtDansLOrdre) {
#if defined(_WIN32)
    const auto echecs = {E_OUTOFMEMORY};
#else
    const auto echecs = {E_OUTOFMEMORY, SELFREG_E_CLASS};
#endif
    // Also builds the fixed key names, which are kept until unload.
    ASSERT_HR(S_OK, module_.DllRegisterServer());
    const std::vector<std::string> complet = Enregistre();
    ASSERT_HR(S_OK, module_.DllUnregisterServer());
    auto nettoyer = [&] {
        EXPECT_HR(S_OK, module_.DllUnregisterServer());
        EXPECT_TRUE(Enregistre().empty());
        ViderRegistreEssai();
    };
    ViderRegistreEssai();
    Balayer([&] { return module_.DllRegisterServer(); }, echecs,
            [&](HRESULT hr) {
                const std::vector<std::string> etat = Enregistre();
                EXPECT_TRUE(std::includes(complet.begin(), complet.end(), etat.begin(), etat.end()));
                if (hr == S_OK) {
                    EXPECT_EQ(complet, etat);
                }
                nettoyer();
            });
    Balayer([&] { return module_.DllUnregisterServer(); }, echecs,
            [&](HRESULT hr) {
                bool restant = false;
                for (const char* arbre : arbresDesClasses) {
                    const bool present = CleExiste(Large(arbre));
                    if (hr == E_OUTOFMEMORY && restant) {
                        EXPECT_TRUE(present) << arbre << " went before an earlier tree";
                    }
                    restant = restant || present;
                }
                nettoyer();
            },
            [&] { ASSERT_HR(S_OK, module_.DllRegisterServer()); });
}

} // namespace
