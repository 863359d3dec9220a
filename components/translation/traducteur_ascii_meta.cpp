#include "components/translation/traducteur_ascii_meta.h"

#include <cstring>

#include "components/translation/table_entites.h"

HRESULT ITraduireASCIIMetaImpl::Traduire(unsigned char caractere, ResultatTraduction* resultat) {
    if (resultat == nullptr) return E_POINTER;
    const std::string& texte = tableEntites.Texte(caractere);
    if (texte.size() > sizeof resultat->texte) return E_INVALIDARG;
    // Only the text's own bytes: the rest of the record is the caller's.
    std::memcpy(resultat->texte, texte.data(), texte.size());
    resultat->longueur = static_cast<LONG>(texte.size());
    return S_OK;
}

HRESULT TraducteurASCIIMeta::QueryInterface(REFIID riid, void** ppv) {
    return RepondreA(riid, IID_ITraduireASCIIMeta, static_cast<ITraduireASCIIMeta*>(this), ppv);
}
