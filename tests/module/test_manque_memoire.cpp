// Lack of memory made to happen at each allocation that activation and
// registration perform (on Windows, and the automation companion's calls):
// every call answers S_OK or its documented failure, nulls its out-pointer
// on failure, and leaves no block and no count behind.
#include <algorithm>
#include <functional>

#include "support/essais.h"
#if defined(_WIN32)
#include "lexigarde_interfaces.h"
#endif

namespace {

class ManqueMemoire : public ::testing::Test {
protected:
    // On Windows, a test build of the DLL that carries the failing
    // allocator; on Linux the allocator is this program's, the module's too.
#if defined(_WIN32)
    explicit ManqueMemoire(const wchar_t* dll = L"Lexigarde.dll")
        : module_(DossierDuProgramme() + L"defaillant\\" + dll) {}
    ModuleLexigarde module_;
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
    // with none failing; `preparer` and `verifier` run around each with
    // nothing failing. A failure must be one of `echecs`.
    void Balayer(
        const std::function<HRESULT()>& operation, std::initializer_list<HRESULT> echecs,
        const std::function<void(HRESULT)>& verifier = [](HRESULT) {},
        const std::function<void()>& preparer = [] {}) {
        for (long rang = 0;; ++rang) {
            const long avant = vivantes_();
            preparer();
            echouer_(rang);
            const HRESULT hr = operation();
            const long faites = faites_();
            echouer_(-1);
            verifier(hr);
            EXPECT_EQ(avant, vivantes_()) << "allocation " << rang << " failing leaked a block";
            EXPECT_HR(S_OK, module_.DllCanUnloadNow()) << "allocation " << rang;
            if (faites <= rang) {
                EXPECT_HR(S_OK, hr) << "no allocation failed, yet the call failed";
                return;
            }
            EXPECT_NE(echecs.end(), std::find(echecs.begin(), echecs.end(), hr))
                << "allocation " << rang << " failing gave " << testing::PrintToString(Hr{hr});
        }
    }
};

TEST_F(ManqueMemoire, DllGetClassObjectEtCreateInstanceRendentEOutOfMemorySansRienLaisser) {
    for (const auto& classe : {std::pair{&CLSID_Lexigarde, &IID_IValiderMotsCles},
                               std::pair{&CLSID_TraducteurASCIIMeta, &IID_ITraduireASCIIMeta}}) {
        const CLSID* clsid = classe.first;
        const IID* iid = classe.second;
        IClassFactory* fabrique = nullptr;
        ASSERT_HR(S_OK,
                  module_.DllGetClassObject(*clsid, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)));
        const std::function<HRESULT(void**)> appels[] = {
            [&](void** ppv) { return module_.DllGetClassObject(*clsid, IID_IClassFactory, ppv); },
            [&](void** ppv) { return fabrique->CreateInstance(nullptr, *iid, ppv); }};
        for (const auto& appel : appels) {
            Balayer(
                [&] {
                    void* ppv = &ppv; // any non-null value: each call must overwrite it
                    const HRESULT hr = appel(&ppv);
                    EXPECT_EQ(SUCCEEDED(hr), ppv != nullptr);
                    if (SUCCEEDED(hr)) static_cast<IUnknown*>(ppv)->Release();
                    return hr;
                },
                {E_OUTOFMEMORY});
        }
        EXPECT_EQ(0u, fabrique->Release());
    }
}

// A registration cut short is removed by unregistering (that it keeps no
// more than a whole one, the registry fuzz target shows). An unregistration cut short has removed the
// classes' trees in their order: the keyword class first, in each class the
// class key, then the version-independent ProgID, then the ProgID. On Linux
// the registry's own memory fails too, which SELFREG_E_CLASS reports.
TEST_F(ManqueMemoire, LEnregistrementEtSonRetraitEchouentProprementEtDansLOrdre) {
#if defined(_WIN32)
    const auto echecs = {E_OUTOFMEMORY};
#else
    const auto echecs = {E_OUTOFMEMORY, SELFREG_E_CLASS};
#endif
    // Also builds the fixed key names, which are kept until unload.
    ASSERT_HR(S_OK, module_.DllRegisterServer());
    ASSERT_HR(S_OK, module_.DllUnregisterServer());
    ViderRegistreEssai();
    auto nettoyer = [&] {
        EXPECT_HR(S_OK, module_.DllUnregisterServer());
        ViderRegistreEssai();
    };
    Balayer([&] { return module_.DllRegisterServer(); }, echecs, [&](HRESULT) { nettoyer(); });
    Balayer([&] { return module_.DllUnregisterServer(); }, echecs,
            [&](HRESULT hr) {
                bool unPrecedentReste = false;
                for (const char* arbre : arbresDesClasses) {
                    const bool present = !Arborescence(arbre).empty();
                    if (hr == E_OUTOFMEMORY && unPrecedentReste) {
                        EXPECT_TRUE(present) << arbre << " went before an earlier tree";
                    }
                    unPrecedentReste = unPrecedentReste || present;
                }
                nettoyer();
            },
            [&] { ASSERT_HR(S_OK, module_.DllRegisterServer()); });
}

#if defined(_WIN32)
class ManqueMemoireCompagnon : public ManqueMemoire {
protected:
    ManqueMemoireCompagnon() : ManqueMemoire(L"LexigardeScript.dll") {}
};

// COM is not initialized here: Valider and TraduireTexte fail to reach Lexigarde.dll and say so in
// a text. That text, Valider's copy of a long word and Traduire's text for a code out of range all
// allocate; no exception may reach the caller, Traduire keeps its number.
TEST_F(ManqueMemoireCompagnon, ValiderEtTraduireNeLaissentSortirAucuneException) {
    BSTR mot = SysAllocString(L"un_mot_plus_long_que_la_place_d_une_chaine_courte");
    Balayer(
        [&] {
            auto* validation = static_cast<IValidationMotsCles*>(
                module_.Creer(__uuidof(ValidationMotsCles), __uuidof(IValidationMotsCles)));
            if (validation == nullptr) return E_OUTOFMEMORY;
            VARIANT_BOOL reponse = VARIANT_TRUE;
            const HRESULT hr = validation->Valider(mot, &reponse);
            validation->Release();
            return hr == CO_E_NOTINITIALIZED ? S_OK : hr;
        },
        {E_OUTOFMEMORY});
    Balayer(
        [&] {
            auto* traduction = static_cast<ITraductionHTML*>(
                module_.Creer(__uuidof(TraductionHTML), __uuidof(ITraductionHTML)));
            if (traduction == nullptr) return E_OUTOFMEMORY;
            BSTR texte = nullptr;
            HRESULT hr = traduction->Traduire(256, &texte);
            if (hr == LEXIGARDE_E_CODE_HORS_LATIN1)
                hr = traduction->TraduireTexte(mot, VARIANT_FALSE, &texte);
            traduction->Release();
            return hr == CO_E_NOTINITIALIZED ? S_OK : hr;
        },
        {E_OUTOFMEMORY, S_OK});
    SysFreeString(mot);
}

// Each failure of the companion's registration and of its removal is reported, not hidden.
TEST_F(ManqueMemoireCompagnon, LEnregistrementEtSonRetraitRendentEOutOfMemory) {
    // Also builds the fixed key names, which are kept until unload.
    ASSERT_HR(S_OK, module_.DllRegisterServer());
    ASSERT_HR(S_OK, module_.DllUnregisterServer());
    Balayer([&] { return module_.DllRegisterServer(); }, {E_OUTOFMEMORY},
            [&](HRESULT) { EXPECT_HR(S_OK, module_.DllUnregisterServer()); });
    Balayer([&] { return module_.DllUnregisterServer(); }, {E_OUTOFMEMORY}, [](HRESULT) {},
            [&] { ASSERT_HR(S_OK, module_.DllRegisterServer()); });
}
#endif

} // namespace
