/* A client written in C, as COM allows: everything through lpVtbl. */
#include <string.h>

#include "lexigarde.h"

/* 0 when both components answer right; otherwise the step that failed. */
int ClientCEssayer(PFN_DllGetClassObject obtenir) {
    IClassFactory* fabrique = NULL;
    IValiderMotsCles* validateur = NULL;
    ITraduireASCIIMeta* traducteur = NULL;
    ResultatTraduction resultat;
    bool motCle = false;
    int etape = 0;

    if (FAILED(obtenir(&CLSID_Lexigarde, &IID_IClassFactory, (void**)&fabrique))) return 1;
    if (FAILED(fabrique->lpVtbl->CreateInstance(fabrique, NULL, &IID_IValiderMotsCles, (void**)&validateur)))
        etape = 2;
    fabrique->lpVtbl->Release(fabrique);
    if (etape) return etape;
    if (FAILED(validateur->lpVtbl->Valider(validateur, "typename", &motCle)) || !motCle) etape = 3;
    if (validateur->lpVtbl->Release(validateur) != 0 && !etape) etape = 4;
    if (etape) return etape;

    if (FAILED(obtenir(&CLSID_TraducteurASCIIMeta, &IID_IClassFactory, (void**)&fabrique))) return 5;
    if (FAILED(
            fabrique->lpVtbl->CreateInstance(fabrique, NULL, &IID_ITraduireASCIIMeta, (void**)&traducteur)))
        etape = 6;
    fabrique->lpVtbl->Release(fabrique);
    if (etape) return etape;
    if (FAILED(traducteur->lpVtbl->Traduire(traducteur, 0xE9, &resultat)) || resultat.longueur != 8 ||
        memcmp(resultat.texte, "&eacute;", 8) != 0)
        etape = 7;
    if (traducteur->lpVtbl->Release(traducteur) != 0 && !etape) etape = 8;
    return etape;
}
