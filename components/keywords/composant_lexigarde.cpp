#include "components/keywords/composant_lexigarde.h"

#include "components/keywords/table_mots_cles.h"

HRESULT ILexigardeImpl::Valider(const char* mot, bool* estMotCle) {
    if (estMotCle == nullptr) return E_POINTER;
    // A null word is refused with the answer false: through a proxy the answer
    // travels back whatever the object returns, so both paths must write it.
    if (mot == nullptr) {
        *estMotCle = false;
        return E_POINTER;
    }
    *estMotCle = tableMotsCles.EstMotCle(mot);
    return S_OK;
}

HRESULT Lexigarde::QueryInterface(REFIID riid, void** ppv) {
    return RepondreA(riid, IID_IValiderMotsCles, static_cast<IValiderMotsCles*>(this), ppv);
}
