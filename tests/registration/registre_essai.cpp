#include "registration/registre_essai.h"

#include <algorithm>
#include <cstdio>

TexteLarge ValeurLue::Texte() const {
    TexteLarge texte(reinterpret_cast<const WCHAR*>(octets.data()), octets.size() / sizeof(WCHAR));
    if (!texte.empty() && texte.back() == 0) texte.pop_back();
    return texte;
}

TexteLarge Large(const std::string& texte) {
    TexteLarge large;
    for (unsigned char octet : texte) large.push_back(octet);
    return large;
}

std::string Etroit(const TexteLarge& texte) {
    std::string etroit;
    for (WCHAR c : texte) etroit.push_back(c < 128 ? static_cast<char>(c) : '?');
    return etroit;
}

std::optional<ValeurLue> LireValeur(const TexteLarge& cle, const WCHAR* nomValeur) {
    HKEY ouverte = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, cle.c_str(), 0, KEY_READ, &ouverte) != ERROR_SUCCESS)
        return std::nullopt;
    ValeurLue valeur{};
    DWORD taille = 0;
    LONG resultat = RegQueryValueExW(ouverte, nomValeur, nullptr, &valeur.type, nullptr, &taille);
    if (resultat == ERROR_SUCCESS) {
        valeur.octets.resize(taille);
        resultat = RegQueryValueExW(ouverte, nomValeur, nullptr, &valeur.type, valeur.octets.data(), &taille);
        valeur.octets.resize(taille);
    }
    RegCloseKey(ouverte);
    if (resultat != ERROR_SUCCESS) return std::nullopt;
    return valeur;
}

bool CleExiste(const TexteLarge& cle) {
    HKEY ouverte = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, cle.c_str(), 0, KEY_READ, &ouverte) != ERROR_SUCCESS) return false;
    RegCloseKey(ouverte);
    return true;
}

namespace {

void Parcourir(HKEY racine, const TexteLarge& chemin, std::vector<std::string>& lignes) {
    HKEY cle = nullptr;
    if (RegOpenKeyExW(racine, chemin.c_str(), 0, KEY_READ, &cle) != ERROR_SUCCESS) return;
    lignes.push_back(Etroit(chemin));
    for (DWORD index = 0;; ++index) {
        WCHAR nom[256];
        DWORD longueurNom = 256;
        BYTE donnees[4096];
        DWORD type = 0, taille = sizeof donnees;
        if (RegEnumValueW(cle, index, nom, &longueurNom, nullptr, &type, donnees, &taille) != ERROR_SUCCESS)
            break;
        std::string ligne =
            Etroit(chemin) + " [" + Etroit(TexteLarge(nom, longueurNom)) + "] " + std::to_string(type) + ":";
        for (DWORD i = 0; i < taille; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", donnees[i]);
            ligne += hex;
        }
        lignes.push_back(ligne);
    }
    std::vector<TexteLarge> sousCles;
    for (DWORD index = 0;; ++index) {
        WCHAR nom[256];
        DWORD longueurNom = 256;
        if (RegEnumKeyExW(cle, index, nom, &longueurNom, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        sousCles.emplace_back(nom, longueurNom);
    }
    RegCloseKey(cle);
    for (const TexteLarge& sousCle : sousCles) Parcourir(racine, chemin + Large("\\") + sousCle, lignes);
}

} // namespace

std::vector<std::string> Arborescence(const TexteLarge& cle) {
    std::vector<std::string> lignes;
    Parcourir(HKEY_CLASSES_ROOT, cle, lignes);
    std::sort(lignes.begin(), lignes.end());
    return lignes;
}
