#include "registration/outils_registre.h"

#include <new>
#include <vector>

#include "registration/cle_registre.h"

namespace {

const TexteLarge& PrefixeCleCLSID() {
    static const TexteLarge texte = ElargirTexte("CLSID\\");
    return texte;
}

// A REG_SZ value: the characters and their terminating NUL.
LONG EcrireTexte(HKEY cle, const WCHAR* nom, const TexteLarge& valeur) {
    return RegSetValueExW(cle, nom, 0, REG_SZ, reinterpret_cast<const BYTE*>(valeur.c_str()),
                          static_cast<DWORD>((valeur.size() + 1) * sizeof(WCHAR)));
}

} // namespace

const TexteLarge& Separateur() {
    static const TexteLarge texte = ElargirTexte("\\");
    return texte;
}

TexteLarge ElargirTexte(const std::string& texte) {
    TexteLarge large;
    large.reserve(texte.size());
    for (const char octet : texte) large.push_back(static_cast<WCHAR>(static_cast<unsigned char>(octet)));
    return large;
}

TexteLarge TexteCLSID(REFCLSID clsid) {
    LPOLESTR texteSysteme = nullptr;
    if (FAILED(StringFromCLSID(clsid, &texteSysteme)) || texteSysteme == nullptr) throw std::bad_alloc();
    struct Liberation {
        LPOLESTR texte;
        ~Liberation() { CoTaskMemFree(texte); }
    } liberation{texteSysteme};
    return TexteLarge(texteSysteme);
}

TexteLarge CheminCleCLSID(const TexteLarge& texteClsid) { return PrefixeCleCLSID() + texteClsid; }

TexteLarge CheminModule(HMODULE module) {
    // A buffer most paths fit; a longer one is read again into a larger
    // buffer instead of being cut, up to the longest path Windows has.
    for (DWORD taille = 256;; taille *= 2) {
        std::vector<WCHAR> tampon(taille, 0);
        const DWORD longueur = GetModuleFileNameW(module, tampon.data(), taille);
        if (longueur < taille || taille >= 32768) return TexteLarge(tampon.data());
    }
}

bool CreerCle(const TexteLarge& cle, const TexteLarge& sousCle, const TexteLarge& valeur) {
    const TexteLarge chemin = sousCle.empty() ? cle : cle + Separateur() + sousCle;
    CleRegistre ouverte;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, chemin.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, ouverte.Adresse(), nullptr) != ERROR_SUCCESS)
        return false;
    return valeur.empty() || EcrireTexte(ouverte.Get(), nullptr, valeur) == ERROR_SUCCESS;
}

bool DefinirValeur(const TexteLarge& cle, const TexteLarge& nomValeur, const TexteLarge& valeur) {
    CleRegistre ouverte;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, cle.c_str(), 0, KEY_SET_VALUE, ouverte.Adresse()) != ERROR_SUCCESS)
        return false;
    return valeur.empty() || EcrireTexte(ouverte.Get(), nomValeur.c_str(), valeur) == ERROR_SUCCESS;
}

LONG SupprimerArborescence(HKEY parent, const TexteLarge& sousCle) {
    CleRegistre ouverte;
    const LONG ouverture = RegOpenKeyExW(parent, sousCle.c_str(), 0, KEY_ALL_ACCESS, ouverte.Adresse());
    if (ouverture != ERROR_SUCCESS) return ouverture;

    // Always index 0: each deleted subkey leaves its place to the next.
    WCHAR nom[256] = {};
    DWORD capacite = 256;
    while (RegEnumKeyExW(ouverte.Get(), 0, nom, &capacite, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
        const LONG resultat = SupprimerArborescence(ouverte.Get(), TexteLarge(nom, capacite));
        if (resultat != ERROR_SUCCESS) return resultat;
        capacite = 256;
    }
    ouverte.Fermer();
    return RegDeleteKeyW(parent, sousCle.c_str());
}
