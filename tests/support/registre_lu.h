// The registry read back as COM reads it, for the tests and the registry
// fuzz target: every key and value, one line each, under its upper-case
// path (the registry ignores case).
#ifndef LEXIGARDE_TESTS_REGISTRE_LU_H
#define LEXIGARDE_TESTS_REGISTRE_LU_H

#include <string>
#include <vector>

#include "lexigarde.h"

// The six trees registration writes below HKEY_CLASSES_ROOT, in the order it removes them.
inline const char* const arbresDesClasses[] = {
    "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}",
    "Composant.Interne.ValidationMotsCles",
    "Composant.Interne.ValidationMotsCles.1",
    "CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}",
    "Composant.Interne.Trad.ASCII.HTML",
    "Composant.Interne.Trad.ASCII.HTML.1",
};

template <class Caractere>
std::string Majuscules(const Caractere* texte, size_t longueur) {
    std::string resultat(texte, texte + longueur);
    for (char& c : resultat)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return resultat;
}

inline std::string Majuscules(const std::string& texte) { return Majuscules(texte.c_str(), texte.size()); }

// The key `cle`, named `chemin`, with its values and everything below it.
inline void LireRegistre(HKEY cle, const std::string& chemin, std::vector<std::string>& lignes) {
    lignes.push_back(chemin);
    const DWORD longueurNom = 256;
    WCHAR nom[longueurNom];
    BYTE donnees[4096];
    for (DWORD i = 0;; ++i) {
        DWORD longueur = longueurNom;
        DWORD type = 0;
        DWORD taille = sizeof donnees;
        if (RegEnumValueW(cle, i, nom, &longueur, nullptr, &type, donnees, &taille) != ERROR_SUCCESS) break;
        lignes.push_back(chemin + " [" + Majuscules(nom, longueur) + "] " + std::to_string(type) + " " +
                         std::string(donnees, donnees + taille));
    }
    for (DWORD i = 0;; ++i) {
        DWORD longueur = longueurNom;
        if (RegEnumKeyExW(cle, i, nom, &longueur, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sousCle = nullptr;
        if (RegOpenKeyExW(cle, nom, 0, KEY_READ, &sousCle) != ERROR_SUCCESS) continue;
        std::string cheminSousCle = Majuscules(nom, longueur);
        if (!chemin.empty()) cheminSousCle = chemin + "\\" + cheminSousCle;
        LireRegistre(sousCle, cheminSousCle, lignes);
        RegCloseKey(sousCle);
    }
}

#endif
