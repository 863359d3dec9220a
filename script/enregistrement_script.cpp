// LexigardeScript.dll's self-registration: its two classes' records and the
// entry points regsvr32 calls. Registry calls only, so that the same file is
// also built on the stand-in platform, where the MSI's rows are taken from it
// (package/msi).
#include "registration/enregistrement.h"

// Both builds take the identifiers from widl's _i.c of the IDL.
extern "C" const CLSID CLSID_ValidationMotsCles;
extern "C" const CLSID CLSID_TraductionHTML;

namespace {

struct Classe {
    const CLSID* clsid;
    const char *description, *progIdIndependant, *progId;
};
const Classe classes[] = {
    {&CLSID_ValidationMotsCles, "Lexigarde: C++98 keywords, for scripts", "Lexigarde.ValidationMotsCles",
     "Lexigarde.ValidationMotsCles.1"},
    {&CLSID_TraductionHTML, "Lexigarde: Latin-1 and Unicode text to HTML, for scripts",
     "Lexigarde.TraductionHTML", "Lexigarde.TraductionHTML.1"},
};

} // namespace

// Apartment: the objects live in their creator's single-threaded apartment,
// as scripts expect; Lexigarde.dll's own objects are in the main one.
STDAPI DllRegisterServer() {
    try {
        for (const Classe& classe : classes) {
            const HRESULT hr = EnregistrerComposant("LexigardeScript.dll", *classe.clsid, classe.description,
                                                    classe.progIdIndependant, classe.progId, "Apartment");
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

STDAPI DllUnregisterServer() {
    try {
        HRESULT premier = S_OK;
        for (const Classe& classe : classes) {
            const HRESULT hr =
                DesenregistrerComposant(*classe.clsid, classe.progIdIndependant, classe.progId);
            if (SUCCEEDED(premier)) premier = hr;
        }
        return premier;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
