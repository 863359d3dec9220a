#include "script/automation.h"

#include <cstdio>

std::wstring TexteHResult(HRESULT hr) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return code;
}

HRESULT Echouer(HRESULT hr, const std::wstring& texte, const wchar_t* source, REFIID iid) {
    ICreateErrorInfo* creation = nullptr;
    if (FAILED(CreateErrorInfo(&creation))) return hr;
    creation->SetGUID(iid);
    creation->SetSource(const_cast<LPOLESTR>(source));
    creation->SetDescription(const_cast<LPOLESTR>(texte.c_str()));
    IErrorInfo* information = nullptr;
    if (SUCCEEDED(creation->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&information)))) {
        SetErrorInfo(0, information);
        information->Release();
    }
    creation->Release();
    return hr;
}

HRESULT CreerComposant(REFCLSID clsid, REFIID iid, void** objet, const wchar_t* source, REFIID iidAppelant) {
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, objet);
    if (SUCCEEDED(hr)) return hr;
    LPOLESTR texteClsid = nullptr;
    StringFromCLSID(clsid, &texteClsid);
    std::wstring texte = L"Lexigarde.dll ";
    if (hr == REGDB_E_CLASSNOTREG) {
        texte += L"is not registered: class ";
        texte += texteClsid ? texteClsid : L"?";
        texte += L" not registered (REGDB_E_CLASSNOTREG); register Lexigarde.dll or put Lexigarde.manifest "
                 L"beside it";
    } else {
        texte += L"could not be reached: class ";
        texte += texteClsid ? texteClsid : L"?";
        texte += L", error ";
        texte += TexteHResult(hr);
    }
    CoTaskMemFree(texteClsid);
    return Echouer(hr, texte, source, iidAppelant);
}
