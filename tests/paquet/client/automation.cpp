// LexigardeScript.dll from C++ (client mode "automation"): its dual interfaces early-bound through
// widl's header of the package, then late-bound through IDispatch::Invoke, as a script host calls.
#include "lexigarde_interfaces.h"

#include <oleauto.h>

#include <string>

bool Verifier(bool vrai, const std::string& quoi, HRESULT hr = S_OK);

namespace {

// A BSTR that frees itself.
struct Texte {
    BSTR b;
    explicit Texte(const wchar_t* texte = nullptr) : b(texte ? SysAllocString(texte) : nullptr) {}
    ~Texte() { SysFreeString(b); }
    bool operator==(const wchar_t* autre) const { return b && std::wstring(b, SysStringLen(b)) == autre; }
};

// The description the object left for this thread, through IErrorInfo.
Texte TexteErreur() {
    IErrorInfo* information = nullptr;
    Texte description;
    if (GetErrorInfo(0, &information) != S_OK) return description;
    information->GetDescription(&description.b);
    information->Release();
    return description;
}

template <class Interface, class Classe>
Interface* Creer() {
    Interface* objet = nullptr;
    const HRESULT hr = CoCreateInstance(__uuidof(Classe), nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                                        reinterpret_cast<void**>(&objet));
    Verifier(hr == S_OK, "CoCreateInstance of the companion", hr);
    return objet;
}

} // namespace

void Automation() {
    Verifier(SUCCEEDED(CoInitialize(nullptr)), "CoInitialize");
    auto validation = Creer<IValidationMotsCles, ValidationMotsCles>();
    auto traduction = Creer<ITraductionHTML, TraductionHTML>();
    if (!validation || !traduction) return CoUninitialize();

    // Early-bound: the vtable, automation types, the error's text through IErrorInfo.
    VARIANT_BOOL estMotCle = 0;
    Texte mot(L"reinterpret_cast"), texte(L"\u00C9t\u00E9 \u20AC <"), html, rien;
    Verifier(validation->Valider(mot.b, &estMotCle) == S_OK && estMotCle == VARIANT_TRUE,
             "Valider, early-bound");
    Verifier(traduction->TraduireTexte(texte.b, VARIANT_TRUE, &html.b) == S_OK &&
                 html == L"&Eacute;t&eacute; &#8364; &lt;",
             "TraduireTexte, early-bound");
    ISupportErrorInfo* support = nullptr;
    traduction->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support));
    Verifier(support && support->InterfaceSupportsErrorInfo(__uuidof(ITraductionHTML)) == S_OK,
             "ISupportErrorInfo");
    if (support) support->Release();
    HRESULT hr = traduction->Traduire(256, &rien.b);
    Verifier(hr == LEXIGARDE_E_CODE_HORS_LATIN1 && !rien.b &&
                 TexteErreur() == L"Traduire: 256 is not a Latin-1 code (0 to 255)",
             "Traduire 256, early-bound", hr);
    // A null answer pointer is refused, not written through.
    Verifier(validation->Valider(mot.b, nullptr) == E_POINTER, "Valider with a null answer");
    Verifier(traduction->Traduire(65, nullptr) == E_POINTER, "Traduire with a null answer");
    Verifier(traduction->TraduireTexte(texte.b, VARIANT_FALSE, nullptr) == E_POINTER,
             "TraduireTexte with a null answer");

    // Late-bound: the name in any case, the optional argument left out, then given; the
    // exception's code and text.
    DISPID id = 0;
    LPOLESTR nom = const_cast<LPOLESTR>(L"traduiretexte");
    Verifier(traduction->GetIDsOfNames(IID_NULL, &nom, 1, LOCALE_USER_DEFAULT, &id) == S_OK, "GetIDsOfNames");
    Texte sansTexte(L"a\u00E4b");
    VARIANT arguments[2], resultat;
    arguments[0].vt = VT_BOOL; // in reverse order: strict, then texte
    arguments[0].boolVal = VARIANT_TRUE;
    arguments[1].vt = VT_BSTR;
    arguments[1].bstrVal = sansTexte.b;
    DISPPARAMS seul{&arguments[1], nullptr, 1, 0}, deux{arguments, nullptr, 2, 0};
    EXCEPINFO exception{};
    VariantInit(&resultat);
    hr = traduction->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &seul, &resultat, &exception,
                            nullptr);
    Verifier(hr == S_OK && resultat.vt == VT_BSTR && std::wstring(resultat.bstrVal) == L"ab",
             "Invoke, not strict", hr);
    VariantClear(&resultat);
    hr = traduction->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &deux, &resultat, &exception,
                            nullptr);
    Verifier(hr == DISP_E_EXCEPTION && exception.scode == LEXIGARDE_E_SANS_TEXTE &&
                 exception.bstrDescription &&
                 std::wstring(exception.bstrDescription) == L"U+00E4 at position 2 has no HTML text (strict)",
             "Invoke, strict", hr);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    Verifier(validation->Release() == 0 && traduction->Release() == 0, "released");

    // The class object: its one interface, no aggregation, no null pointer written through; the DLL
    // kept while a server lock holds it, and no longer.
    IClassFactory* fabrique = nullptr;
    hr = CoGetClassObject(__uuidof(TraductionHTML), CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&fabrique));
    if (!Verifier(hr == S_OK, "CoGetClassObject of the companion", hr)) return CoUninitialize();
    IUnknown* autre = nullptr;
    hr = fabrique->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&autre));
    Verifier(hr == E_NOINTERFACE, "the class object is no IDispatch", hr);
    Verifier(fabrique->QueryInterface(IID_IUnknown, nullptr) == E_POINTER, "QueryInterface, null pointer");
    hr = fabrique->CreateInstance(fabrique, IID_IUnknown, reinterpret_cast<void**>(&autre));
    Verifier(hr == CLASS_E_NOAGGREGATION, "CreateInstance with an outer object", hr);
    Verifier(fabrique->CreateInstance(nullptr, IID_IUnknown, nullptr) == E_POINTER,
             "CreateInstance, null pointer");
    fabrique->LockServer(TRUE);
    CoFreeUnusedLibrariesEx(0, 0);
    Verifier(GetModuleHandleW(L"LexigardeScript.dll") != nullptr, "LexigardeScript.dll kept while locked");
    fabrique->LockServer(FALSE);
    fabrique->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    Verifier(GetModuleHandleW(L"LexigardeScript.dll") == nullptr,
             "LexigardeScript.dll unloaded once unlocked");
    CoUninitialize();
}
