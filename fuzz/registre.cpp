// Registration and unregistration over any registry the input builds: keys
// and values inside the six trees of the classes and beside them, in any
// case, and keys that refuse changes. Checked as properties after each call:
// nothing outside the six trees changes; after DllRegisterServer the trees
// hold the layout of a registration in an empty registry, and nothing else
// but what was there before; after DllUnregisterServer none of them exists;
// a call that did less failed, and only where a refusal was set. Every key
// is closed.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/verifier.h"
#include "lexigarde.h"
#include "tests/support/registre_lu.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

namespace {

// The keys the input may touch: the trees, in other cases too, and their neighbours.
const char* const bases[] = {
    "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}", "clsid\\{6eee9b9d-db12-4556-aad3-f1278ef4a449}",
    "Composant.Interne.ValidationMotsCles.1", "COMPOSANT.INTERNE.TRAD.ASCII.HTML", "CLSID",
    "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A44A}", "Composant.Interne.ValidationMotsCles.2"};
const char* const suffixes[] = {
    "", "InprocServer32", "ProgID", "CurVer", "Implemented Categories\\{X}", "inprocserver32\\A"};
const char* const nomsValeurs[] = {"", "ThreadingModel", "Autre"};

bool DansUnArbre(const std::string& chemin) {
    for (const char* nom : arbresDesClasses) {
        const std::string arbre = Majuscules(nom, std::strlen(nom));
        if (chemin == arbre || chemin.rfind(arbre + "\\", 0) == 0) return true;
    }
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
    for (const std::string& ligne : lignes) {
        if (ligne == "CLSID") continue;
        if (DansUnArbre(ligne.substr(0, ligne.find(" ["))))
            etat.dedans.push_back(ligne);
        else
            etat.dehors.push_back(ligne);
    }
    std::sort(etat.dedans.begin(), etat.dedans.end());
    return etat;
}

bool Contient(const std::vector<std::string>& tout, const std::vector<std::string>& partie) {
    return std::includes(tout.begin(), tout.end(), partie.begin(), partie.end());
}

// Makes the key, and with `valeur` a value in it, as the input says.
void Ecrire(Lecteur& lecteur, const std::basic_string<WCHAR>& cheminLarge, bool valeur) {
    HKEY cle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, cheminLarge.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &cle,
                        nullptr) != ERROR_SUCCESS)
        return;
    const std::string nom = nomsValeurs[lecteur.Choix(3)];
    const std::basic_string<WCHAR> nomLarge(nom.begin(), nom.end());
    std::vector<BYTE> octets(lecteur.Choix(8));
    for (BYTE& octet : octets) octet = lecteur.Octet();
    if (valeur) {
        const DWORD type = lecteur.Choix(2) == 0 ? REG_BINARY : REG_DWORD;
        RegSetValueExW(cle, nomLarge.c_str(), 0, type, octets.data(), static_cast<DWORD>(octets.size()));
    }
    RegCloseKey(cle);
}

// The rights the key refuses from now on, as the input says; whether any is refused.
bool Refuser(Lecteur& lecteur, const std::basic_string<WCHAR>& cheminLarge) {
    REGSAM refuses = 0;
    for (const REGSAM droit : {KEY_SET_VALUE, REGSAM{DELETE}, KEY_CREATE_SUB_KEY})
        if (lecteur.Octet() & 1) refuses |= droit;
    const bool pose = PlateformeRefuserAcces(HKEY_CLASSES_ROOT, cheminLarge.c_str(), refuses) == ERROR_SUCCESS;
    return pose && refuses != 0;
}

// One registration or unregistration, checked against the registry before it and the layout.
void Appeler(bool enregistrer, const std::vector<std::string>& disposition, bool refus) {
    const Etat avant = LireTout();
    const HRESULT hr = enregistrer ? DllRegisterServer() : DllUnregisterServer();
    const Etat apres = LireTout();
    VERIFIER(apres.dehors == avant.dehors);
    bool fait = apres.dedans.empty();
    if (enregistrer) {
        std::vector<std::string> permis;
        std::merge(avant.dedans.begin(), avant.dedans.end(), disposition.begin(), disposition.end(),
                   std::back_inserter(permis));
        VERIFIER(Contient(permis, apres.dedans));
        fait = Contient(apres.dedans, disposition);
    }
    if (hr == S_OK) {
        VERIFIER(fait);
    } else {
        VERIFIER(hr == SELFREG_E_CLASS);
        VERIFIER(refus);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    // The layout: what registration writes in an empty registry.
    PlateformeViderRegistre();
    VERIFIER(DllRegisterServer() == S_OK);
    const std::vector<std::string> disposition = LireTout().dedans;
    PlateformeViderRegistre();

    // The input chooses, in this order: the action, the key and its suffix, then what the action needs.
    Lecteur lecteur{donnees, donnees + taille};
    bool refus = false;
    while (lecteur.Reste()) {
        const size_t action = lecteur.Choix(6);
        std::string chemin = bases[lecteur.Choix(sizeof bases / sizeof *bases)];
        const std::string suffixe = suffixes[lecteur.Choix(sizeof suffixes / sizeof *suffixes)];
        if (!suffixe.empty()) chemin += "\\" + suffixe;
        const std::basic_string<WCHAR> cheminLarge(chemin.begin(), chemin.end());
        if (action <= 1)
            Ecrire(lecteur, cheminLarge, action == 1);
        else if (action == 2)
            refus = Refuser(lecteur, cheminLarge) || refus;
        else
            Appeler(action <= 4, disposition, refus);
    }
    PlateformeViderRegistre();
    return 0;
}
