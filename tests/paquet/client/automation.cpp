// LexigardeScript.dll from C++ (client mode "automation"): its dual interfaces early-bound through
// widl's header of the package, then late-bound through IDispatch::Invoke, as a script host calls.
#include "lexigarde_idl.h"

#include <oleauto.h>

#include <initializer_list>
#include <string>

void Verifier(bool vrai, const std::string& quoi, HRESULT hr = S_OK);

namespace {

// A BSTR that frees itself.
struct Texte {
    BSTR b;
    explicit Texte(const wchar_t* texte = nullptr) : b(texte ? SysAllocString(texte) : nullptr) {}
    ~Texte() { SysFreeString(b); }
    std::wstring Lu() const { return b ? std::wstring(b, SysStringLen(b)) : L""; }
};

// The description the object left for this thread, through IErrorInfo.
std::wstring TexteErreur() {
    IErrorInfo* information = nullptr;
    Texte description;
    if (GetErrorInfo(0, &information) != S_OK) return L"";
    information->GetDescription(&description.b);
    information->Release();
    return description.Lu();
}

// `nom` called through IDispatch with `arguments` (in the script's order): the result, or the
// exception's code and text.
HRESULT Appeler(IDispatch* objet, const wchar_t* nom, std::initializer_list<VARIANT> arguments, VARIANT* resultat,
                EXCEPINFO* exception) {
    DISPID id = 0;
    LPOLESTR noms[] = {const_cast<LPOLESTR>(nom)};
    HRESULT hr = objet->GetIDsOfNames(IID_NULL, noms, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    VARIANT renverses[2];
    UINT n = 0;
    for (auto a = arguments.end(); a != arguments.begin();) renverses[n++] = *--a;
    DISPPARAMS parametres{renverses, nullptr, n, 0};
    VariantInit(resultat);
    return objet->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parametres, resultat, exception,
                         nullptr);
}

VARIANT Variant(VARTYPE type, BSTR texte, LONG nombre) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    if (type == VT_BSTR) v.bstrVal = texte;
    if (type == VT_I4) v.lVal = nombre;
    if (type == VT_BOOL) v.boolVal = nombre ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

} // namespace

void Automation() {
    Verifier(SUCCEEDED(CoInitialize(nullptr)), "CoInitialize");
    IValidationMotsCles* validation = nullptr;
    ITraductionHTML* traduction = nullptr;
    HRESULT hr = CoCreateInstance(__uuidof(ValidationMotsCles), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IValidationMotsCles), reinterpret_cast<void**>(&validation));
    Verifier(hr == S_OK, "CoCreateInstance ValidationMotsCles", hr);
    hr = CoCreateInstance(__uuidof(TraductionHTML), nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITraductionHTML),
                          reinterpret_cast<void**>(&traduction));
    Verifier(hr == S_OK, "CoCreateInstance TraductionHTML", hr);
    if (!validation || !traduction) return CoUninitialize();

    // Early-bound: the vtable, automation types, errors through IErrorInfo.
    VARIANT_BOOL estMotCle = 0;
    Texte mot(L"reinterpret_cast"), presque(L"reinterpret_cast "), html, francais(L"\u00C9t\u00E9 \u20AC <");
    Verifier(validation->Valider(mot.b, &estMotCle) == S_OK && estMotCle == VARIANT_TRUE, "Valider, early-bound");
    Verifier(validation->Valider(presque.b, &estMotCle) == S_OK && estMotCle == VARIANT_FALSE, "near miss");
    Verifier(traduction->TraduireTexte(francais.b, VARIANT_TRUE, &html.b) == S_OK &&
                 html.Lu() == L"&Eacute;t&eacute; &#8364; &lt;",
             "TraduireTexte, early-bound");
    ISupportErrorInfo* support = nullptr;
    Verifier(traduction->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)) == S_OK &&
                 support->InterfaceSupportsErrorInfo(__uuidof(ITraductionHTML)) == S_OK,
             "ISupportErrorInfo");
    if (support) support->Release();
    Texte rien;
    hr = traduction->Traduire(256, &rien.b);
    Verifier(hr == LEXIGARDE_E_CODE_HORS_LATIN1 && rien.b == nullptr &&
                 TexteErreur() == L"Traduire: 256 is not a Latin-1 code (0 to 255)",
             "Traduire 256, early-bound", hr);

    // Late-bound: names, the optional argument's default, coercion, the exception's code and text.
    VARIANT resultat;
    EXCEPINFO exception{};
    Texte texte(L"a\u00E4b");
    hr = Appeler(traduction, L"traduiretexte", {Variant(VT_BSTR, texte.b, 0)}, &resultat, &exception);
    Verifier(hr == S_OK && resultat.vt == VT_BSTR && std::wstring(resultat.bstrVal) == L"ab", "Invoke TraduireTexte", hr);
    VariantClear(&resultat);
    hr = Appeler(traduction, L"TraduireTexte", {Variant(VT_BSTR, texte.b, 0), Variant(VT_BOOL, nullptr, 1)}, &resultat,
                 &exception);
    Verifier(hr == DISP_E_EXCEPTION && exception.scode == LEXIGARDE_E_SANS_TEXTE &&
                 std::wstring(exception.bstrDescription) == L"U+00E4 at position 2 has no HTML text (strict)",
             "Invoke TraduireTexte, strict", hr);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    hr = Appeler(validation, L"Valider", {Variant(VT_I4, nullptr, 42)}, &resultat, &exception);
    Verifier(hr == S_OK && resultat.vt == VT_BOOL && resultat.boolVal == VARIANT_FALSE, "Invoke Valider(42)", hr);
    hr = Appeler(validation, L"Valider", {}, &resultat, &exception);
    Verifier(hr == DISP_E_BADPARAMCOUNT, "Invoke Valider()", hr);
    hr = Appeler(validation, L"Inconnu", {}, &resultat, &exception);
    Verifier(hr == DISP_E_UNKNOWNNAME, "GetIDsOfNames Inconnu", hr);
    Verifier(validation->Release() == 0 && traduction->Release() == 0, "released");
    CoUninitialize();
}
