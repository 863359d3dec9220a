// LexigardeScript.dll's entry points: the class factory, unloading, and
// self-registration of its two classes.
#include <olectl.h>

#include <new>

#include "registration/enregistrement.h"
#include "script/automation.h"

std::atomic<long> compteServeur{0};

namespace {

HMODULE ceModule = nullptr;

struct Classe {
    const CLSID* clsid;
    const char *description, *progIdIndependant, *progId;
};
const Classe classes[] = {
    {&CLSID_ValidationMotsCles, "Lexigarde: C++98 keywords, for scripts", "Lexigarde.ValidationMotsCles",
     "Lexigarde.ValidationMotsCles.1"},
    {&CLSID_TraductionHTML, "Lexigarde: Latin-1 and Unicode text to HTML, for scripts",
     "Lexigarde.TraductionHTML", "Lexigarde.TraductionHTML.1"},
};

class Fabrique : public IClassFactory {
public:
    explicit Fabrique(HRESULT (*creer)(REFIID, void**)) : creer_(creer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *ppv = this;
        AddRef();
        return S_OK;
    }
    // The factories are static: their references do not hold the module.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* exterieur, REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (exterieur != nullptr) return CLASS_E_NOAGGREGATION;
        return creer_(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL verrouiller) override {
        verrouiller ? ++compteServeur : --compteServeur;
        return S_OK;
    }

private:
    HRESULT (*creer_)(REFIID, void**);
};

Fabrique fabriques[] = {Fabrique(CreerValidation), Fabrique(CreerTraduction)};

} // namespace

HRESULT InformationType(REFIID iid, ITypeInfo** info) {
    *info = nullptr;
    wchar_t chemin[MAX_PATH];
    const DWORD longueur = GetModuleFileNameW(ceModule, chemin, MAX_PATH);
    if (longueur == 0 || longueur == MAX_PATH) return E_FAIL;
    // The type library is a resource of this file: nothing to register.
    ITypeLib* bibliotheque = nullptr;
    HRESULT hr = LoadTypeLibEx(chemin, REGKIND_NONE, &bibliotheque);
    if (FAILED(hr)) return hr;
    hr = bibliotheque->GetTypeInfoOfGuid(iid, info);
    bibliotheque->Release();
    return hr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD raison, void*) {
    if (raison == DLL_PROCESS_ATTACH) {
        ceModule = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    for (int i = 0; i < 2; ++i)
        if (IsEqualCLSID(clsid, *classes[i].clsid)) return fabriques[i].QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return compteServeur == 0 ? S_OK : S_FALSE; }

// Apartment: the objects live in their creator's single-threaded apartment,
// as scripts expect; Lexigarde.dll's own objects are in the main one.
STDAPI DllRegisterServer() {
    try {
        for (const Classe& classe : classes) {
            const HRESULT hr = EnregistrerComposant("LexigardeScript.dll", *classe.clsid, classe.description,
                                                    classe.progIdIndependant, classe.progId, "Apartment");
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        HRESULT premier = S_OK;
        for (const Classe& classe : classes) {
            const HRESULT hr =
                DesenregistrerComposant(*classe.clsid, classe.progIdIndependant, classe.progId);
            if (SUCCEEDED(premier)) premier = hr;
        }
        return premier;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
