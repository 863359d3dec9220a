// The entry points regsvr32 calls: Lexigarde.dll's two classes.
#include "lexigarde.h"
#include "registration/enregistrement.h"
#include "registration/enregistrements.h"

// Keyword class first; a class that fails stops the registration there.
STDAPI DllRegisterServer() {
    try {
        const HRESULT hr = EnregistrerComposant(nomModule, CLSID_Lexigarde, descriptionLexigarde,
                                                progIdIndependantLexigarde, progIdLexigarde, nullptr);
        if (FAILED(hr)) return hr;
        return EnregistrerComposant(nomModule, CLSID_TraducteurASCIIMeta, descriptionTraducteur,
                                    progIdIndependantTraducteur, progIdTraducteur, nullptr);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// Both classes are always attempted, the keyword class first.
STDAPI DllUnregisterServer() {
    try {
        const HRESULT lexigarde =
            DesenregistrerComposant(CLSID_Lexigarde, progIdIndependantLexigarde, progIdLexigarde);
        const HRESULT traducteur =
            DesenregistrerComposant(CLSID_TraducteurASCIIMeta, progIdIndependantTraducteur, progIdTraducteur);
        return FAILED(lexigarde) ? lexigarde : traducteur;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
