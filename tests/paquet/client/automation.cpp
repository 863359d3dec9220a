// LexigardeScript.dll from C++ (client mode "automation"): both classes created through widl's header
// of the package (from the package, through Lexigarde.manifest). Their calls, through the same vtables
// the type library describes, and the errors' texts are the script clients' (tests/script).
#include "lexigarde_interfaces.h"

#include <oleauto.h>

#include <atomic>
#include <string>

bool Verifier(bool vrai, const std::string& quoi, HRESULT hr = S_OK);

namespace {

// COM's allocator watched: the blocks it has handed out and not had back, and the next one a thread
// asks for made to fail. BSTRs come from it only with OLE's cache of them off (OANOCACHE set, as
// the tests run the client).
class Espion : public IMallocSpy {
public:
    std::atomic<long> vivants{0};
    std::atomic<DWORD> filEnEchec{0};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T taille) override {
        DWORD fil = GetCurrentThreadId();
        return filEnEchec.compare_exchange_strong(fil, 0) ? 0 : taille;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* bloc) override {
        if (bloc != nullptr) ++vivants;
        return bloc;
    }
    void* STDMETHODCALLTYPE PreFree(void* bloc, BOOL espionne) override {
        if (bloc != nullptr && espionne) --vivants;
        return bloc;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* bloc, SIZE_T taille, void** nouveau, BOOL) override {
        *nouveau = bloc;
        return taille;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* bloc, BOOL) override { return bloc; }
    void* STDMETHODCALLTYPE PreGetSize(void* bloc, BOOL) override { return bloc; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T taille, BOOL) override { return taille; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* bloc, BOOL) override { return bloc; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int alloue) override { return alloue; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
} espion;

template <class Interface, class Classe>
Interface* Creer() {
    Interface* objet = nullptr;
    const HRESULT hr = CoCreateInstance(__uuidof(Classe), nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                                        reinterpret_cast<void**>(&objet));
    Verifier(hr == S_OK, "CoCreateInstance of the companion", hr);
    return objet;
}

} // namespace

// From the multithreaded apartment (client mode "mta"): the objects live in a single-threaded one of
// COM's, each interface reaching the client through a proxy, by creation or from IDispatch.
void AutomationParProxy() {
    auto traduction = Creer<ITraductionHTML, TraductionHTML>();
    auto dispatch = Creer<IDispatch, ValidationMotsCles>();
    if (!traduction || !dispatch) return;
    IValidationMotsCles* validation = nullptr;
    HRESULT hr =
        dispatch->QueryInterface(__uuidof(IValidationMotsCles), reinterpret_cast<void**>(&validation));
    if (Verifier(hr == S_OK, "IValidationMotsCles from IDispatch in the MTA", hr)) {
        VARIANT_BOOL estMotCle = VARIANT_FALSE;
        BSTR mot = SysAllocString(L"template");
        hr = validation->Valider(mot, &estMotCle);
        Verifier(hr == S_OK, "Valider through a proxy", hr);
        Verifier(estMotCle == VARIANT_TRUE, "Valider through a proxy: template is a keyword");
        SysFreeString(mot);
        validation->Release();
    }
    BSTR texte = SysAllocString(L"a < \u20AC");
    BSTR html = nullptr;
    hr = traduction->TraduireTexte(texte, VARIANT_FALSE, &html);
    Verifier(hr == S_OK, "TraduireTexte through a proxy", hr);
    Verifier(html != nullptr && std::wstring(html, SysStringLen(html)) == L"a &lt; &#8364;",
             "TraduireTexte through a proxy: the text");
    SysFreeString(texte);
    SysFreeString(html);
    dispatch->Release();
    traduction->Release();
}

void Automation() {
    // From before the companion's first object, so that its type library's first load is counted;
    // the DLL held past CoUninitialize.
    CoRegisterMallocSpy(&espion);
    const HMODULE compagnon = LoadLibraryW(L"LexigardeScript.dll");
    const long vivants = espion.vivants;
    Verifier(SUCCEEDED(CoInitialize(nullptr)), "CoInitialize");
    auto validation = Creer<IValidationMotsCles, ValidationMotsCles>();
    auto traduction = Creer<ITraductionHTML, TraductionHTML>();
    if (!validation || !traduction) return CoUninitialize();

    // ISupportErrorInfo, which early-bound clients ask before reading an error.
    ISupportErrorInfo* support = nullptr;
    HRESULT hr = traduction->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support));
    if (Verifier(hr == S_OK, "ISupportErrorInfo", hr)) {
        hr = support->InterfaceSupportsErrorInfo(__uuidof(ITraductionHTML));
        Verifier(hr == S_OK, "InterfaceSupportsErrorInfo", hr);
        support->Release();
    }
    // A call that succeeds, its object's first included, or that is refused a null answer pointer
    // leaves no error information: neither its own nor an earlier failure's that the caller did not
    // read, which the caller would take for its own.
    const auto apresUnEchec = [&](const std::string& appel, HRESULT attendu, auto appeler) {
        BSTR ignore = nullptr;
        traduction->Traduire(256, &ignore);
        const HRESULT resultat = appeler();
        Verifier(resultat == attendu, appel, resultat);
        IErrorInfo* reste = nullptr;
        const HRESULT lu = GetErrorInfo(0, &reste);
        Verifier(lu == S_FALSE, appel + " leaves no error information", lu);
        if (reste != nullptr) reste->Release();
    };
    // A null answer pointer is refused, not written through.
    BSTR mot = SysAllocString(L"class");
    apresUnEchec("Valider with a null answer", E_POINTER, [&] { return validation->Valider(mot, nullptr); });
    apresUnEchec("Traduire with a null answer", E_POINTER, [&] { return traduction->Traduire(65, nullptr); });
    apresUnEchec("TraduireTexte with a null answer", E_POINTER,
                 [&] { return traduction->TraduireTexte(mot, VARIANT_FALSE, nullptr); });

    // A failure's error information is held once, the caller's to release.
    BSTR html = nullptr;
    hr = traduction->Traduire(256, &html);
    Verifier(hr == LEXIGARDE_E_CODE_HORS_LATIN1, "Traduire(256)", hr);
    IErrorInfo* erreur = nullptr;
    hr = GetErrorInfo(0, &erreur);
    if (Verifier(hr == S_OK, "Traduire(256)'s error information", hr))
        Verifier(erreur->Release() == 0, "Traduire(256)'s error information held once");
    BSTR accentue = SysAllocString(L"caf\u00E9");
    VARIANT_BOOL estMotCle = VARIANT_TRUE;
    apresUnEchec("Valider of a word past ASCII", S_OK,
                 [&] { return validation->Valider(accentue, &estMotCle); });
    SysFreeString(accentue);
    apresUnEchec("Traduire(65)", S_OK, [&] { return traduction->Traduire(65, &html); });
    SysFreeString(html);
    // Without memory for its answer, nothing written through the pointer the allocation gave.
    espion.filEnEchec = GetCurrentThreadId();
    hr = traduction->Traduire(65, &html);
    espion.filEnEchec = 0;
    Verifier(hr == E_OUTOFMEMORY, "Traduire(65) without memory", hr);
    Verifier(validation->Release() == 0, "the validation released");
    Verifier(traduction->Release() == 0, "the translation released");

    // The class object: its one interface, no aggregation, no null pointer written through; the DLL
    // not to be unloaded while a server lock holds it, and free to be once none does. Asked of the DLL
    // itself: where another apartment loaded it too, COM keeps it whatever it answers.
    IClassFactory* fabrique = nullptr;
    hr = CoGetClassObject(__uuidof(TraductionHTML), CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&fabrique));
    if (!Verifier(hr == S_OK, "CoGetClassObject of the companion", hr)) return CoUninitialize();
    IUnknown* autre = nullptr;
    hr = fabrique->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&autre));
    Verifier(hr == E_NOINTERFACE, "the class object is no IDispatch", hr);
    hr = fabrique->QueryInterface(IID_IUnknown, nullptr);
    Verifier(hr == E_POINTER, "QueryInterface, null pointer", hr);
    hr = fabrique->CreateInstance(fabrique, IID_IUnknown, reinterpret_cast<void**>(&autre));
    Verifier(hr == CLASS_E_NOAGGREGATION, "CreateInstance with an outer object", hr);
    hr = fabrique->CreateInstance(nullptr, IID_IUnknown, nullptr);
    Verifier(hr == E_POINTER, "CreateInstance, null pointer", hr);
    auto peutDecharger = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"LexigardeScript.dll"), "DllCanUnloadNow")));
    if (!Verifier(peutDecharger != nullptr, "LexigardeScript.dll's DllCanUnloadNow")) return CoUninitialize();
    hr = fabrique->LockServer(TRUE);
    Verifier(hr == S_OK, "LockServer(TRUE)", hr);
    hr = peutDecharger();
    Verifier(hr == S_FALSE, "DllCanUnloadNow while locked", hr);
    hr = fabrique->LockServer(FALSE);
    Verifier(hr == S_OK, "LockServer(FALSE)", hr);
    hr = peutDecharger();
    Verifier(hr == S_OK, "DllCanUnloadNow once unlocked", hr);
    fabrique->Release();
    // Its DllGetClassObject, as callers that load the DLL themselves call it.
    const auto obtenir = reinterpret_cast<PFN_DllGetClassObject>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"LexigardeScript.dll"), "DllGetClassObject")));
    hr = obtenir(__uuidof(TraductionHTML), IID_IClassFactory, nullptr);
    Verifier(hr == E_POINTER, "DllGetClassObject, null pointer", hr);
    hr = obtenir(__uuidof(ITraductionHTML), IID_IClassFactory, reinterpret_cast<void**>(&autre));
    Verifier(hr == CLASS_E_CLASSNOTAVAILABLE, "DllGetClassObject of no class of its own", hr);
    CoUninitialize();

    // Without COM, Lexigarde.dll is out of reach: the failure names its class in a text. Once the error
    // and the object are released, every block of COM's allocator is back: the class's text, the type
    // library's.
    hr = obtenir(__uuidof(ValidationMotsCles), IID_IClassFactory, reinterpret_cast<void**>(&fabrique));
    if (SUCCEEDED(hr)) hr = fabrique->CreateInstance(nullptr, IID_PPV_ARGS(&validation));
    if (!Verifier(hr == S_OK, "a validation without COM", hr)) return;
    hr = validation->Valider(mot, &estMotCle);
    Verifier(hr == CO_E_NOTINITIALIZED, "Valider without COM", hr);
    GetErrorInfo(0, &erreur);
    erreur->Release();
    validation->Release();
    SysFreeString(mot);
    Verifier(espion.vivants == vivants, "every block of COM's allocator back");
    FreeLibrary(compagnon);
}
