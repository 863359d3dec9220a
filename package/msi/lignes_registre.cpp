// The MSI's registry rows of a module, taken from its own self-registration:
//   lignes_registre MODULE FILE_ID OUTPUT.wxi SHARED.wxi
// loads MODULE (the Linux build of it, on the stand-in platform), calls its
// DllRegisterServer as regsvr32 would, and writes every value it put below
// HKEY_CLASSES_ROOT as a WiX RegistryValue, the module's own path becoming
// [#FILE_ID], the installed file's path. So the installer writes what the
// module's registration writes, from one source.
// 64-bit Windows (7 and later) keeps a 32-bit and a 64-bit view of only some
// keys below HKEY_CLASSES_ROOT (CLSID and Interface among them); the others,
// the ProgIDs, are one key for both ("Registry Keys Affected by WOW64"). Their
// rows go to SHARED.wxi, the first one marked as the key path, for a
// component that both architectures' packages carry under one component
// code: Windows Installer then counts the two products as clients of one
// component and removes its keys only with the last of them.
#include "lexigarde.h"
#include "plateforme.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

using Texte = std::basic_string<WCHAR>;

// The standard library's conversions between UTF-8 (file names, the WiX
// source) and UTF-16 (the registry's): a lone surrogate is refused by them
// rather than mangled.
Texte Large(const std::string& utf8) { return std::filesystem::path(utf8).u16string(); }
std::string Utf8(const Texte& texte) { return std::filesystem::path(std::u16string(texte)).string(); }

// A text as the Registry table reads it (formatted: brackets are
// references), then as an XML attribute.
std::string Attribut(const Texte& texte) {
    std::string sortie;
    for (const char c : Utf8(texte)) {
        switch (c) {
        case '[': sortie += "[\\[]"; break;
        case ']': sortie += "[\\]]"; break;
        case '&': sortie += "&amp;"; break;
        case '<': sortie += "&lt;"; break;
        case '>': sortie += "&gt;"; break;
        case '"': sortie += "&quot;"; break;
        default: sortie += c;
        }
    }
    return sortie;
}

// The keys that 64-bit Windows keeps apart for 32-bit programs below
// HKEY_LOCAL_MACHINE\Software\Classes, as Microsoft lists them.
bool CleSepareeParVue(const Texte& chemin) {
    static const char* const separees[] = {"CLSID", "DirectShow", "Interface", "Media Type",
                                           "MediaFoundation"};
    const Texte premiere = chemin.substr(0, chemin.find(u'\\'));
    for (const char* separee : separees)
        if (premiere == Large(separee)) return true;
    return false;
}

// Where the rows go: the module's own keys, and the keys both views share
// (the first row of which is the shared component's key path).
struct Sorties {
    std::ofstream propres;
    std::ofstream partagees;
    bool cheminCle = false;
};

// Writes the values of `chemin` and of every key below it, depth first.
void Parcourir(HKEY racine, const Texte& chemin, const Texte& cheminModule, const std::string& fichier,
               Sorties& sorties) {
    HKEY cle = nullptr;
    if (RegOpenKeyExW(racine, chemin.c_str(), 0, KEY_READ, &cle) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open " + Utf8(chemin));
    bool valeurs = false;
    for (DWORD i = 0;; ++i) {
        WCHAR nom[16384];
        DWORD longueurNom = 16384, type = 0;
        BYTE donnees[65536];
        DWORD taille = sizeof donnees;
        if (RegEnumValueW(cle, i, nom, &longueurNom, nullptr, &type, donnees, &taille) != ERROR_SUCCESS) break;
        if (type != REG_SZ) throw std::runtime_error("a value that is not a string under " + Utf8(chemin));
        Texte valeur(reinterpret_cast<const WCHAR*>(donnees), taille / sizeof(WCHAR));
        while (!valeur.empty() && valeur.back() == 0) valeur.pop_back();
        const bool partagee = !CleSepareeParVue(chemin);
        std::ofstream& sortie = partagee ? sorties.partagees : sorties.propres;
        sortie << "  <RegistryValue Root=\"HKCR\" Key=\"" << Attribut(chemin) << '"';
        if (longueurNom > 0) sortie << " Name=\"" << Attribut(Texte(nom, longueurNom)) << '"';
        // A value's leading # would make it a number: ## keeps it a text.
        const std::string diese = !valeur.empty() && valeur[0] == u'#' ? "#" : "";
        sortie << " Type=\"string\" Value=\""
               << (valeur == cheminModule ? "[#" + fichier + "]" : diese + Attribut(valeur)) << '"';
        if (partagee && !sorties.cheminCle) sortie << " KeyPath=\"yes\"";
        sorties.cheminCle = sorties.cheminCle || partagee;
        sortie << "/>\n";
        valeurs = true;
    }
    bool sousCles = false;
    for (DWORD i = 0;; ++i) {
        WCHAR nom[256];
        DWORD longueurNom = 256;
        if (RegEnumKeyExW(cle, i, nom, &longueurNom, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const Texte nomCle(nom, longueurNom);
        Parcourir(racine, chemin.empty() ? nomCle : chemin + u'\\' + nomCle, cheminModule, fichier, sorties);
        sousCles = true;
    }
    RegCloseKey(cle);
    // A key with nothing in it has no row of its own in the Registry table.
    if (!chemin.empty() && !valeurs && !sousCles) throw std::runtime_error("empty key " + Utf8(chemin));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: lignes_registre MODULE FILE_ID OUTPUT.wxi SHARED.wxi\n");
        return 2;
    }
    try {
        const HMODULE module = LoadLibraryW(Large(argv[1]).c_str());
        if (module == nullptr) throw std::runtime_error(std::string("cannot load ") + argv[1]);
        const auto enregistrer = reinterpret_cast<PFN_DllRegisterServer>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "DllRegisterServer")));
        if (enregistrer == nullptr) throw std::runtime_error(std::string("no DllRegisterServer in ") + argv[1]);
        const HRESULT hr = enregistrer();
        if (FAILED(hr)) throw std::runtime_error("DllRegisterServer failed");
        // In a buffer grown until the path fits.
        Texte chemin;
        for (DWORD taille = 256; chemin.empty(); taille *= 2) {
            Texte tampon(taille, 0);
            const DWORD longueur = GetModuleFileNameW(module, &tampon[0], taille);
            if (longueur == 0) throw std::runtime_error(std::string("no path for ") + argv[1]);
            if (longueur < taille) chemin = tampon.substr(0, longueur);
        }
        Sorties sorties;
        sorties.propres.open(argv[3], std::ios::binary);
        sorties.partagees.open(argv[4], std::ios::binary);
        for (std::ofstream* sortie : {&sorties.propres, &sorties.partagees})
            *sortie << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- Made by lignes_registre from "
                    << argv[1] << "'s DllRegisterServer. -->\n<Include>\n";
        Parcourir(HKEY_CLASSES_ROOT, Texte(), chemin, argv[2], sorties);
        if (!sorties.cheminCle)
            throw std::runtime_error("no key shared by both views: no key path for SHARED.wxi");
        for (int i = 3; i <= 4; ++i) {
            std::ofstream& sortie = i == 3 ? sorties.propres : sorties.partagees;
            sortie << "</Include>\n";
            if (!sortie.flush()) throw std::runtime_error(std::string("cannot write ") + argv[i]);
        }
    } catch (const std::exception& erreur) {
        std::fprintf(stderr, "lignes_registre: %s\n", erreur.what());
        std::remove(argv[3]);
        std::remove(argv[4]);
        return 1;
    }
    return 0;
}
