#include "module/fabriques.h"

#include "components/keywords/composant_lexigarde.h"
#include "components/translation/traducteur_ascii_meta.h"
#include "module/compteur_module.h"

namespace {

// The creation routine of a component class: no aggregation, build, hand out
// the interface asked for, release once. A failed request deletes the object
// again. No exception leaves: lack of memory is the one that can arise.
template <class Classe>
HRESULT CreerObjet(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    try {
        Classe* objet = new Classe;
        const HRESULT hr = objet->QueryInterface(riid, ppv);
        objet->Release();
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace

HRESULT IClassFactoryImpl::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG IClassFactoryImpl::AddRef() { return nombreReferences.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG IClassFactoryImpl::Release() {
    const ULONG reste = nombreReferences.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (reste == 0) delete this;
    return reste;
}

// No lock count of its own: an unbalanced FALSE takes the module count below
// zero, and DllCanUnloadNow then says S_FALSE until it is balanced.
HRESULT IClassFactoryImpl::LockServer(BOOL fLock) {
    if (fLock)
        compteurModule.Incrementer();
    else
        compteurModule.Decrementer();
    return S_OK;
}

HRESULT FabriqueLexigarde::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    return CreerObjet<Lexigarde>(pUnkOuter, riid, ppv);
}

HRESULT FabriqueTraducteurASCIIMeta::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    return CreerObjet<TraducteurASCIIMeta>(pUnkOuter, riid, ppv);
}
