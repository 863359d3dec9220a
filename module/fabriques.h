#ifndef LEXIGARDE_MODULE_FABRIQUES_H
#define LEXIGARDE_MODULE_FABRIQUES_H

#include <atomic>

#include "plateforme.h"

// What both class factories share: everything but CreateInstance. A
// factory does not count in compteurModule; only LockServer does.
class IClassFactoryImpl : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

    IClassFactoryImpl(const IClassFactoryImpl&) = delete;
    IClassFactoryImpl& operator=(const IClassFactoryImpl&) = delete;

protected:
    IClassFactoryImpl() : nombreReferences(1) {}
    // Virtual so that Release frees the whole factory through this base.
    virtual ~IClassFactoryImpl() = default;

private:
    std::atomic<ULONG> nombreReferences;
};

class FabriqueLexigarde : public IClassFactoryImpl {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
};

class FabriqueTraducteurASCIIMeta : public IClassFactoryImpl {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
};

#endif
