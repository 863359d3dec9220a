#ifndef LEXIGARDE_TRANSLATION_TRADUCTEUR_ASCII_META_H
#define LEXIGARDE_TRANSLATION_TRADUCTEUR_ASCII_META_H

#include "lexigarde.h"
#include "module/iunknown_impl.h"

// Implements Traduire; the IUnknown operations come from the object.
struct ITraduireASCIIMetaImpl : public ITraduireASCIIMeta {
    HRESULT STDMETHODCALLTYPE Traduire(unsigned char caractere, ResultatTraduction* resultat) override;
};

// The Latin-1 to HTML translator. It holds no data: the table is the module's.
class TraducteurASCIIMeta : public IUnknownImpl, public ITraduireASCIIMetaImpl {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return IUnknownImpl::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return IUnknownImpl::Release(); }
};

#endif
