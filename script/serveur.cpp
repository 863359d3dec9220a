// LexigardeScript.dll's entry points: the class factory and unloading (its
// self-registration: enregistrement_script.cpp).
#include <olectl.h>

#include <new>

#include "registration/outils_registre.h"
#include "script/automation.h"

std::atomic<long> compteServeur{0};

namespace {

HMODULE ceModule = nullptr;

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

struct Classe {
    const CLSID* clsid;
    Fabrique fabrique;
};
Classe classes[] = {{&CLSID_ValidationMotsCles, Fabrique(CreerValidation)},
                    {&CLSID_TraductionHTML, Fabrique(CreerTraduction)}};

} // namespace

HRESULT InformationType(REFIID iid, ITypeInfo** info) {
    *info = nullptr;
    // Its whole path, however long the folder's.
    TexteLarge chemin;
    try {
        chemin = CheminModule(ceModule);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (chemin.empty()) return E_FAIL;
    // The type library is a resource of this file: nothing to register.
    ITypeLib* bibliotheque = nullptr;
    HRESULT hr = LoadTypeLibEx(chemin.c_str(), REGKIND_NONE, &bibliotheque);
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
    for (Classe& classe : classes)
        if (IsEqualCLSID(clsid, *classe.clsid)) return classe.fabrique.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return compteServeur == 0 ? S_OK : S_FALSE; }
