// Registration and unregistration over any registry the input builds: keys
// and values inside the six trees of the classes and beside them, in any
// case, and keys that refuse changes. Checked as properties after each call:
// nothing outside the six trees changes; after DllRegisterServer the trees
// hold the layout of a registration in an empty registry, and nothing else
// but what was there before; after DllUnregisterServer none of them exists;
// a call that did less failed, and only where a refusal was set. Every key
// is closed and the module stays unloadable.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/verifier.h"
#include "lexigarde.h"
#include "tests/support/registre_lu.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
STDAPI DllCanUnloadNow();

namespace {

// The keys the input may touch: the trees, in other cases too, and their neighbours.
const char* const bases[] = {"CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}",
                             "clsid\\{6eee9b9d-db12-4556-aad3-f1278ef4a449}",
                             "Composant.Interne.ValidationMotsCles.1",
                             "COMPOSANT.INTERNE.TRAD.ASCII.HTML",
                             "CLSID",
                             "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A44A}",
                             "Composant.Interne.ValidationMotsCles.2"};
const char* const suffixes[] = {
    "", "InprocServer32", "ProgID", "CurVer", "Implemented Categories\\{X}", "inprocserver32\\A"};
const char* const nomsValeurs[] = {"", "ThreadingModel", "Autre"};

bool DansUnArbre(const std::string& chemin) {
    for (const char* nom : arbresDesClasses)
        if (const std::string arbre = Majuscules(nom, std::strlen(nom));
            chemin == arbre || chemin.rfind(arbre + "\\", 0) == 0)
            return true;
    return false;
}

// Every key and value as a line, inside the trees or outside. Registration
// makes the parent CLSID key where it is missing: the one change outside.
struct Etat {
    std::vector<std::string> dedans, dehors;
};

Etat LireTout() {
    std::vector<std::string> lignes;
    LireRegistre(HKEY_CLASSES_ROOT, "", lignes);
    VERIFIER(PlateformeClesOuvertes() == 0);
    Etat etat;
    for (const std::string& ligne : lignes)
        if (ligne != "CLSID")
            (DansUnArbre(ligne.substr(0, ligne.find(" ["))) ? etat.dedans : etat.dehors).push_back(ligne);
    std::sort(etat.dedans.begin(), etat.dedans.end());
    return etat;
}

bool Contient(const std::vector<std::string>& tout, const std::vector<std::string>& partie) {
    return std::includes(tout.begin(), tout.end(), partie.begin(), partie.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    // The layout: what registration writes in an empty registry.
    PlateformeViderRegistre();
    VERIFIER(DllRegisterServer() == S_OK);
    const std::vector<std::string> disposition = LireTout().dedans;
    PlateformeViderRegistre();

    Lecteur lecteur{donnees, donnees + taille};
    bool refus = false;
    while (lecteur.Reste()) {
        const size_t action = lecteur.Choix(6);
        std::string chemin = bases[lecteur.Choix(sizeof bases / sizeof *bases)];
        const std::string suffixe = suffixes[lecteur.Choix(sizeof suffixes / sizeof *suffixes)];
        if (!suffixe.empty()) chemin += "\\" + suffixe;
        const std::basic_string<WCHAR> large(chemin.begin(), chemin.end());
        if (action <= 1) {
            HKEY cle = nullptr;
            if (RegCreateKeyExW(HKEY_CLASSES_ROOT, large.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &cle, nullptr) != ERROR_SUCCESS)
                continue;
            const std::string nom = nomsValeurs[lecteur.Choix(3)];
            const std::basic_string<WCHAR> nomLarge(nom.begin(), nom.end());
            std::vector<BYTE> octets(lecteur.Choix(8));
            for (BYTE& octet : octets) octet = lecteur.Octet();
            if (action == 1)
                RegSetValueExW(cle, nomLarge.c_str(), 0, REG_BINARY + lecteur.Choix(2), octets.data(),
                               static_cast<DWORD>(octets.size()));
            RegCloseKey(cle);
        } else if (action == 2) {
            const REGSAM refuses = (lecteur.Octet() & 1 ? KEY_SET_VALUE : 0) |
                                   (lecteur.Octet() & 1 ? DELETE : 0) |
                                   (lecteur.Octet() & 1 ? KEY_CREATE_SUB_KEY : 0);
            if (PlateformeRefuserAcces(HKEY_CLASSES_ROOT, large.c_str(), refuses) == ERROR_SUCCESS)
                refus = refus || refuses != 0;
        } else {
            const Etat avant = LireTout();
            const bool enregistrer = action <= 4;
            const HRESULT hr = enregistrer ? DllRegisterServer() : DllUnregisterServer();
            const Etat apres = LireTout();
            VERIFIER(apres.dehors == avant.dehors);
            if (enregistrer) {
                std::vector<std::string> permis;
                std::merge(avant.dedans.begin(), avant.dedans.end(), disposition.begin(), disposition.end(),
                           std::back_inserter(permis));
                VERIFIER(Contient(permis, apres.dedans));
            }
            const bool fait = enregistrer ? Contient(apres.dedans, disposition) : apres.dedans.empty();
            VERIFIER(hr == S_OK ? fait : hr == SELFREG_E_CLASS && refus);
            VERIFIER(DllCanUnloadNow() == S_OK);
        }
    }
    PlateformeViderRegistre();
    return 0;
}
