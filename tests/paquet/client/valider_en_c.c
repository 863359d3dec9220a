/* A C unit that includes the header MIDL makes from the package's IDL before
 * lexigarde.h (client.cpp includes them the other way round), and calls the
 * validator through lpVtbl, as a C client does. */
#include "lexigarde_interfaces.h"
#include "lexigarde.h"

HRESULT ValiderEnC(IValiderMotsCles* validateur, const char* mot, bool* reponse) {
    return validateur->lpVtbl->Valider(validateur, mot, reponse);
}
