// The entry points of Lexigarde.dll that serve activation and unloading.
#include "lexigarde.h"
#include "module/compteur_module.h"
#include "module/fabriques.h"
#include "plateforme.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    try {
        IClassFactoryImpl* fabrique;
        if (IsEqualGUID(rclsid, CLSID_Lexigarde))
            fabrique = new FabriqueLexigarde;
        else if (IsEqualGUID(rclsid, CLSID_TraducteurASCIIMeta))
            fabrique = new FabriqueTraducteurASCIIMeta;
        else
            return CLASS_E_CLASSNOTAVAILABLE;
        // A new factory per call; the client ends up holding the only reference.
        const HRESULT hr = fabrique->QueryInterface(riid, ppv);
        fabrique->Release();
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllCanUnloadNow() { return compteurModule.EstNul() ? S_OK : S_FALSE; }
