/* A C unit that includes the header MIDL makes from the package's IDL before
 * lexigarde.h (client.cpp includes them the other way round), and calls both
 * interfaces through lpVtbl, by their identifiers as C names them, as a C
 * client does. */
#include "lexigarde_interfaces.h"
#include "lexigarde.h"

HRESULT ValiderEnC(IValiderMotsCles* validateur, const char* mot, bool* reponse) {
    return validateur->lpVtbl->Valider(validateur, mot, reponse);
}

HRESULT TraduireEnC(IUnknown* objet, unsigned char code, ResultatTraduction* resultat) {
    ITraduireASCIIMeta* traducteur = NULL;
    HRESULT hr = objet->lpVtbl->QueryInterface(objet, &IID_ITraduireASCIIMeta, (void**)&traducteur);
    if (FAILED(hr)) return hr;
    hr = traducteur->lpVtbl->Traduire(traducteur, code, resultat);
    traducteur->lpVtbl->Release(traducteur);
    return hr;
}
