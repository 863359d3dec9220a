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

    if (FAILED(obtenir(&CLSID_Lexigarde, &IID_IClassFactory, (void**)&fabrique))) return 1;
    fabrique->lpVtbl->CreateInstance(fabrique, NULL, &IID_IValiderMotsCles, (void**)&validateur);
    fabrique->lpVtbl->Release(fabrique);
    if (validateur == NULL || FAILED(validateur->lpVtbl->Valider(validateur, "typename", &motCle)) || !motCle)
        return 2;
    if (validateur->lpVtbl->Release(validateur) != 0) return 3;

    if (FAILED(obtenir(&CLSID_TraducteurASCIIMeta, &IID_IClassFactory, (void**)&fabrique))) return 4;
    fabrique->lpVtbl->CreateInstance(fabrique, NULL, &IID_ITraduireASCIIMeta, (void**)&traducteur);
    fabrique->lpVtbl->Release(fabrique);
    if (traducteur == NULL || FAILED(traducteur->lpVtbl->Traduire(traducteur, 0xE9, &resultat)) ||
        resultat.longueur != 8 || memcmp(resultat.texte, "&eacute;", 8) != 0)
        return 5;
    return traducteur->lpVtbl->Release(traducteur) != 0 ? 6 : 0;
}
