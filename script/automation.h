// What both classes of the automation companion share: their life, IDispatch
// from their own type information, and errors with a text for scripts.
#ifndef LEXIGARDE_SCRIPT_AUTOMATION_H
#define LEXIGARDE_SCRIPT_AUTOMATION_H

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <new>
#include <string>

#include "lexigarde_interfaces.h"

// Live objects plus server locks: DllCanUnloadNow answers S_OK at zero.
extern std::atomic<long> compteServeur;

// Sets the calling thread's error information (IErrorInfo) and returns `hr`:
// the script host reads the text and source back as Err.Description and
// Err.Source, Err.Number being `hr`.
HRESULT Echouer(HRESULT hr, const std::wstring& texte, const wchar_t* source, REFIID iid);

// "0x80070005": an error's number as the texts show it.
std::wstring TexteHResult(HRESULT hr);

// An object of Lexigarde.dll, created through COM (the registry, or the
// caller's activation context when registration-free). The error it gives
// says which class is missing, in words.
HRESULT CreerComposant(REFCLSID clsid, REFIID iid, void** objet, const wchar_t* source, REFIID iidAppelant);

// The type information of `iid` in the type library embedded in this DLL.
HRESULT InformationType(REFIID iid, ITypeInfo** info);

// A class with one dual interface: IUnknown, IDispatch by its type
// information, ISupportErrorInfo.
template <class Interface>
class ObjetAutomation : public Interface, public ISupportErrorInfo {
public:
    ObjetAutomation() { ++compteServeur; }
    virtual ~ObjetAutomation() {
        if (info_) info_->Release();
        --compteServeur;
    }
    ObjetAutomation(const ObjetAutomation&) = delete;
    ObjetAutomation& operator=(const ObjetAutomation&) = delete;

    // The type information first: an object without it could not answer IDispatch.
    HRESULT Initialiser() { return InformationType(__uuidof(Interface), &info_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, __uuidof(Interface)))
            *ppv = static_cast<Interface*>(this);
        else if (IsEqualIID(riid, IID_ISupportErrorInfo))
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG reste = --references_;
        if (reste == 0) delete this;
        return reste;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* nombre) override {
        if (nombre == nullptr) return E_POINTER;
        *nombre = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT indice, LCID, ITypeInfo** info) override {
        if (info == nullptr) return E_POINTER;
        *info = nullptr;
        if (indice != 0) return DISP_E_BADINDEX;
        info_->AddRef();
        *info = info_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* noms, UINT nombre, LCID,
                                            DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        return DispGetIDsOfNames(info_, noms, nombre, ids);
    }
    // The type information reads the arguments, coerces them and calls
    // the vtable: no argument is handled by hand.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD drapeaux, DISPPARAMS* parametres,
                                     VARIANT* resultat, EXCEPINFO* exception, UINT* erreurArgument) override {
        if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        return info_->Invoke(static_cast<Interface*>(this), id, drapeaux, parametres, resultat, exception,
                             erreurArgument);
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualIID(riid, __uuidof(Interface)) ? S_OK : S_FALSE;
    }

private:
    std::atomic<ULONG> references_{1};
    ITypeInfo* info_ = nullptr;
};

// Holds an interface pointer of Lexigarde.dll, released when it goes.
template <class Interface>
struct Composant {
    Interface* p = nullptr;
    ~Composant() {
        if (p) p->Release();
    }
};

// A new object of `Classe`, holding the interface asked for, or the failure.
template <class Classe>
HRESULT CreerObjet(REFIID riid, void** ppv) {
    auto* objet = new (std::nothrow) Classe;
    if (objet == nullptr) return E_OUTOFMEMORY;
    HRESULT hr = objet->Initialiser();
    if (SUCCEEDED(hr)) hr = objet->QueryInterface(riid, ppv);
    objet->Release();
    return hr;
}

// A new object of each class.
HRESULT CreerValidation(REFIID riid, void** ppv);
HRESULT CreerTraduction(REFIID riid, void** ppv);

#endif
