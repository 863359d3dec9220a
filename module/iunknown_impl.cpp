#include "module/iunknown_impl.h"

#include "module/compteur_module.h"

IUnknownImpl::IUnknownImpl() : nombreReferences(1) { compteurModule.Incrementer(); }

IUnknownImpl::~IUnknownImpl() { compteurModule.Decrementer(); }

ULONG IUnknownImpl::AddRef() { return nombreReferences.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG IUnknownImpl::Release() {
    const ULONG reste = nombreReferences.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (reste == 0) delete this;
    return reste;
}

HRESULT IUnknownImpl::RepondreA(REFIID riid, REFIID iidPropre, IUnknown* partieInterface, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, iidPropre)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = partieInterface;
    AddRef();
    return S_OK;
}
