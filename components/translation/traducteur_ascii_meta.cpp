#include "components/translation/traducteur_ascii_meta.h"

#include "components/translation/table_entites.h"

static_assert(TableEntites::tailleEmplacement <= sizeof(ResultatTraduction::texte), "a slot fits the record");

HRESULT ITraduireASCIIMetaImpl::Traduire(unsigned char caractere, ResultatTraduction* resultat) {
    if (resultat == nullptr) return E_POINTER;
    // Only the text's own bytes: the rest of the record is the caller's.
    resultat->longueur = static_cast<LONG>(tableEntites.Copier(caractere, resultat->texte));
    return S_OK;
}

HRESULT TraducteurASCIIMeta::QueryInterface(REFIID riid, void** ppv) {
    return RepondreA(riid, IID_ITraduireASCIIMeta, static_cast<ITraduireASCIIMeta*>(this), ppv);
}
