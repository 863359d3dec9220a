#ifndef LEXIGARDE_KEYWORDS_COMPOSANT_LEXIGARDE_H
#define LEXIGARDE_KEYWORDS_COMPOSANT_LEXIGARDE_H

#include "lexigarde.h"
#include "module/iunknown_impl.h"

// Implements Valider; the IUnknown operations come from the object.
struct ILexigardeImpl : public IValiderMotsCles {
    HRESULT STDMETHODCALLTYPE Valider(const char* mot, bool* estMotCle) override;
};

// The keyword validator. It holds no data: the table is the module's.
class Lexigarde : public IUnknownImpl, public ILexigardeImpl {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return IUnknownImpl::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return IUnknownImpl::Release(); }
};

#endif
