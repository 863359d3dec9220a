#include "registration/registre_essai.h"

#include <algorithm>

std::optional<TexteLarge> LireTexte(const std::string& cle, const char* nomValeur) {
    HKEY ouverte = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Large(cle).c_str(), 0, KEY_READ, &ouverte) != ERROR_SUCCESS)
        return std::nullopt;
    WCHAR texte[2048];
    DWORD type = 0, taille = sizeof texte;
    const TexteLarge nom = nomValeur != nullptr ? Large(nomValeur) : TexteLarge();
    const LONG lu = RegQueryValueExW(ouverte, nomValeur != nullptr ? nom.c_str() : nullptr, nullptr, &type,
                                     reinterpret_cast<BYTE*>(texte), &taille);
    RegCloseKey(ouverte);
    if (lu != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    const size_t longueur = taille / sizeof(WCHAR);
    EXPECT_TRUE(longueur > 0 && texte[longueur - 1] == 0) << cle << ": no terminating NUL";
    return TexteLarge(texte, longueur > 0 ? longueur - 1 : 0);
}

bool CleExiste(const TexteLarge& cle) {
    HKEY ouverte = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, cle.c_str(), 0, KEY_READ, &ouverte) != ERROR_SUCCESS) return false;
    RegCloseKey(ouverte);
    return true;
}

namespace {

void Parcourir(const TexteLarge& chemin, std::vector<std::string>& lignes) {
    HKEY cle = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, chemin.c_str(), 0, KEY_READ, &cle) != ERROR_SUCCESS) return;
    lignes.push_back(Etroit(chemin));
    WCHAR nom[256];
    BYTE donnees[4096];
    DWORD longueur = 256, type = 0, taille = sizeof donnees;
    for (DWORD i = 0;
         RegEnumValueW(cle, i, nom, &longueur, nullptr, &type, donnees, &taille) == ERROR_SUCCESS;
         ++i, longueur = 256, taille = sizeof donnees) {
        std::string ligne =
            Etroit(chemin) + " [" + Etroit(TexteLarge(nom, longueur)) + "] " + std::to_string(type);
        for (DWORD o = 0; o < taille; ++o) ligne += " " + std::to_string(donnees[o]);
        lignes.push_back(ligne);
    }
    std::vector<TexteLarge> sousCles;
    for (DWORD i = 0; longueur = 256,
               RegEnumKeyExW(cle, i, nom, &longueur, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i)
        sousCles.emplace_back(nom, longueur);
    RegCloseKey(cle);
    for (const TexteLarge& sousCle : sousCles) Parcourir(chemin + Large("\\") + sousCle, lignes);
}

} // namespace

std::vector<std::string> Arborescence(const std::string& cle) {
    std::vector<std::string> lignes;
    Parcourir(Large(cle), lignes);
    std::sort(lignes.begin(), lignes.end());
    return lignes;
}

std::vector<std::string> Enregistre() {
    std::vector<std::string> lignes;
    for (const char* arbre : arbresDesClasses) {
        const auto arborescence = Arborescence(arbre);
        lignes.insert(lignes.end(), arborescence.begin(), arborescence.end());
    }
    std::sort(lignes.begin(), lignes.end());
    return lignes;
}

void ViderRegistreEssai() {
#if !defined(_WIN32)
    PlateformeViderRegistre();
#endif
}
