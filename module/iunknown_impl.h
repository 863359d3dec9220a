#ifndef LEXIGARDE_MODULE_IUNKNOWN_IMPL_H
#define LEXIGARDE_MODULE_IUNKNOWN_IMPL_H

#include <atomic>

#include "plateforme.h"

// Reference counting for the component classes. Every object counts once in
// compteurModule for as long as it lives, so no class can forget to.
class IUnknownImpl : public IUnknown {
public:
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    virtual ~IUnknownImpl();

    IUnknownImpl(const IUnknownImpl&) = delete;
    IUnknownImpl& operator=(const IUnknownImpl&) = delete;

protected:
    IUnknownImpl();

    // The QueryInterface of a class whose one interface is `iidPropre`,
    // answered with `partieInterface` (also for IID_IUnknown, so the object
    // has a single identity).
    HRESULT RepondreA(REFIID riid, REFIID iidPropre, IUnknown* partieInterface, void** ppv);

private:
    // Interlocked: a client may share one object between threads.
    std::atomic<ULONG> nombreReferences;
};

#endif
