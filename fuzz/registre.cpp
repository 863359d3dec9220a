// Registration and unregistration over any registry the input builds: keys
// and values inside the classes' trees and beside them, in any case, and
// keys that refuse changes (PlateformeRefuserAcces). A model follows each
// call by the stand-in's documented rules and the module's own: registration
// creates its keys in order and stops, class and all, at the first refused;
// unregistration deletes each of the six trees depth first, in the order of
// enumeration, and stops a tree at the first key it cannot take. After each
// call the registry must be the model, key for key and value for value,
// every key closed, and the module unloadable.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fuzz/verifier.h"
#include "lexigarde.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
STDAPI DllCanUnloadNow();

namespace {

using Texte = std::basic_string<WCHAR>;
using Octets = std::vector<BYTE>;

Texte Large(const std::string& texte) { return Texte(texte.begin(), texte.end()); }

// The names here are ASCII, whose case the registry ignores.
std::string Majuscules(std::string nom) {
    for (char& c : nom)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return nom;
}

// A REG_SZ as the module writes it: UTF-16 of Latin-1 text, with its NUL.
Octets OctetsTexte(const std::string& texte) {
    Octets octets;
    for (const unsigned char c : texte) octets.insert(octets.end(), {c, 0});
    octets.insert(octets.end(), {0, 0});
    return octets;
}

std::string Ligne(const std::string& chemin, const std::string& nom, DWORD type, const BYTE* octets,
                  size_t taille) {
    static const char chiffres[] = "0123456789abcdef";
    std::string ligne = "V " + chemin + " [" + nom + "] " + std::to_string(type) + ":";
    for (size_t i = 0; i < taille; ++i) ligne.append({chiffres[octets[i] >> 4], chiffres[octets[i] & 0xF]});
    return ligne;
}

// What the module registers, written out apart from it.
struct Classe {
    std::string clsid, description, independant, versionne;
};
const Classe classes[] = {{"{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}",
                           "Composant interne de validation de mots cl\xE9s",
                           "Composant.Interne.ValidationMotsCles", "Composant.Interne.ValidationMotsCles.1"},
                          {"{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}",
                           "Composant interne de traduction de ASCII \xE0 m\xE9tacaract\xE8re HTML",
                           "Composant.Interne.Trad.ASCII.HTML", "Composant.Interne.Trad.ASCII.HTML.1"}};

// The keys the input may touch: the classes' trees, also in other cases,
// what others may add inside them, and their neighbours.
const char* const bases[] = {"CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}",
                             "clsid\\{6eee9b9d-db12-4556-aad3-f1278ef4a449}",
                             "CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}",
                             "Composant.Interne.ValidationMotsCles",
                             "Composant.Interne.ValidationMotsCles.1",
                             "COMPOSANT.INTERNE.TRAD.ASCII.HTML",
                             "Composant.Interne.Trad.ASCII.HTML.1",
                             "CLSID",
                             "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A44A}",
                             "Composant.Interne.ValidationMotsCles.2",
                             "Composant.Interne",
                             "Interface"};
const char* const suffixes[] = {"",
                                "InprocServer32",
                                "ProgID",
                                "VersionIndependentProgID",
                                "CLSID",
                                "CurVer",
                                "A",
                                "Implemented Categories\\{X}",
                                "inprocserver32\\Etranger",
                                "LocalServer32"};
const char* const nomsValeurs[] = {"", "ThreadingModel", "Autre", "AUTRE"};
const DWORD typesValeurs[] = {REG_SZ, REG_BINARY, REG_DWORD};
// Changes only: reading is never refused, so the registry can be compared.
const REGSAM droitsRefusables[] = {KEY_SET_VALUE, KEY_CREATE_SUB_KEY, DELETE};

struct Valeur {
    std::string nom;
    DWORD type;
    Octets octets;
};

// Subkeys and values under their upper-case names; subkeys in the order of
// enumeration. Each keeps the case it was created in.
struct Cle {
    std::string nom;
    REGSAM refuses = 0;
    std::map<std::string, Cle> sousCles;
    std::map<std::string, Valeur> valeurs;
};

class Modele {
public:
    explicit Modele(const Octets& cheminModule) : cheminModule_(cheminModule) {}

    // RegCreateKeyExW asking every right, as the module and this program do:
    // an existing key must refuse nothing, the last existing one on the way
    // to a new key must allow creation.
    Cle* Creer(const std::string& chemin) {
        Cle* cle = &racine_;
        size_t debut = 0;
        for (;; debut = chemin.find('\\', debut) + 1) {
            const auto trouvee = cle->sousCles.find(Majuscules(Nom(chemin, debut)));
            if (trouvee == cle->sousCles.end()) break;
            cle = &trouvee->second;
            if (chemin.find('\\', debut) == std::string::npos) return cle->refuses != 0 ? nullptr : cle;
        }
        if ((cle->refuses & KEY_CREATE_SUB_KEY) != 0) return nullptr;
        for (;; debut = chemin.find('\\', debut) + 1) {
            cle = &cle->sousCles[Majuscules(Nom(chemin, debut))];
            cle->nom = Nom(chemin, debut);
            if (chemin.find('\\', debut) == std::string::npos) return cle;
        }
    }

    Cle* Trouver(const std::string& chemin) {
        Cle* cle = &racine_;
        for (size_t debut = 0; cle != nullptr; debut = chemin.find('\\', debut) + 1) {
            const auto trouvee = cle->sousCles.find(Majuscules(Nom(chemin, debut)));
            cle = trouvee == cle->sousCles.end() ? nullptr : &trouvee->second;
            if (chemin.find('\\', debut) == std::string::npos) break;
        }
        return cle;
    }

    static void Definir(Cle& cle, const std::string& nom, DWORD type, const Octets& octets) {
        const auto [place, nouvelle] = cle.valeurs.try_emplace(Majuscules(nom), Valeur{nom, type, octets});
        if (!nouvelle) place->second = Valeur{place->second.nom, type, octets};
    }

    HRESULT Enregistrer() {
        for (const Classe& c : classes) {
            const std::string cle = "CLSID\\" + c.clsid;
            const std::pair<std::string, Octets> etapes[] = {
                {cle, OctetsTexte(c.description)},
                {cle + "\\InprocServer32", cheminModule_},
                {cle + "\\ProgID", OctetsTexte(c.versionne)},
                {cle + "\\VersionIndependentProgID", OctetsTexte(c.independant)},
                {c.independant, OctetsTexte(c.description)},
                {c.independant + "\\CLSID", OctetsTexte(c.clsid)},
                {c.independant + "\\CurVer", OctetsTexte(c.versionne)},
                {c.versionne, OctetsTexte(c.description)},
                {c.versionne + "\\CLSID", OctetsTexte(c.clsid)}};
            for (const auto& [chemin, octets] : etapes) {
                Cle* ecrite = Creer(chemin);
                if (ecrite == nullptr) return SELFREG_E_CLASS;
                Definir(*ecrite, "", REG_SZ, octets);
            }
        }
        return S_OK;
    }

    HRESULT Desenregistrer() {
        bool tout = true;
        for (const Classe& c : classes) {
            for (const std::string& arbre : {"CLSID\\" + c.clsid, c.independant, c.versionne}) {
                const size_t separateur = arbre.rfind('\\');
                Cle* parent =
                    separateur == std::string::npos ? &racine_ : Trouver(arbre.substr(0, separateur));
                const std::string nom = Majuscules(arbre.substr(separateur + 1));
                if (parent != nullptr && parent->sousCles.count(nom) != 0) tout &= Supprimer(*parent, nom);
            }
        }
        return tout ? S_OK : SELFREG_E_CLASS;
    }

    void Lignes(const Cle& cle, const std::string& chemin, std::vector<std::string>& lignes) const {
        for (const auto& [nom, valeur] : cle.valeurs)
            lignes.push_back(
                Ligne(chemin, valeur.nom, valeur.type, valeur.octets.data(), valeur.octets.size()));
        for (const auto& [nom, sousCle] : cle.sousCles) {
            lignes.push_back("K " + chemin + sousCle.nom);
            Lignes(sousCle, chemin + sousCle.nom + "\\", lignes);
        }
    }
    const Cle& Racine() const { return racine_; }

private:
    static std::string Nom(const std::string& chemin, size_t debut) {
        return chemin.substr(debut, chemin.find('\\', debut) - debut);
    }

    // A key that refuses any right cannot be opened to be deleted.
    static bool Supprimer(Cle& parent, const std::string& nom) {
        Cle& cle = parent.sousCles.at(nom);
        if (cle.refuses != 0) return false;
        while (!cle.sousCles.empty())
            if (!Supprimer(cle, cle.sousCles.begin()->first)) return false;
        parent.sousCles.erase(nom);
        return true;
    }

    Cle racine_;
    const Octets& cheminModule_;
};

void LireRegistre(HKEY cle, const std::string& chemin, std::vector<std::string>& lignes) {
    static BYTE donnees[1 << 16];
    WCHAR nom[256];
    DWORD longueur, type, taille;
    for (DWORD i = 0; longueur = 256, taille = sizeof donnees,
               RegEnumValueW(cle, i, nom, &longueur, nullptr, &type, donnees, &taille) == ERROR_SUCCESS;
         ++i)
        lignes.push_back(Ligne(chemin, std::string(nom, nom + longueur), type, donnees, taille));
    for (DWORD i = 0; longueur = 256,
               RegEnumKeyExW(cle, i, nom, &longueur, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i) {
        const std::string sousChemin = chemin + std::string(nom, nom + longueur);
        lignes.push_back("K " + sousChemin);
        HKEY sousCle = nullptr;
        VERIFIER(RegOpenKeyExW(cle, nom, 0, KEY_READ, &sousCle) == ERROR_SUCCESS);
        LireRegistre(sousCle, sousChemin + "\\", lignes);
        RegCloseKey(sousCle);
    }
}

void Comparer(const Modele& modele) {
    std::vector<std::string> lu, attendu;
    LireRegistre(HKEY_CLASSES_ROOT, "", lu);
    modele.Lignes(modele.Racine(), "", attendu);
    std::sort(lu.begin(), lu.end());
    std::sort(attendu.begin(), attendu.end());
    VERIFIER(lu == attendu);
    VERIFIER(PlateformeClesOuvertes() == 0);
}

// One step of the input, on the registry and the model alike.
void Jouer(Lecteur& lecteur, Modele& modele) {
    const size_t action = lecteur.Choix(8);
    std::string chemin = bases[lecteur.Choix(sizeof bases / sizeof *bases)];
    const std::string suffixe = suffixes[lecteur.Choix(sizeof suffixes / sizeof *suffixes)];
    if (!suffixe.empty()) chemin += "\\" + suffixe;
    if (action <= 2) {
        // A key, with a value for some.
        Cle* attendue = modele.Creer(chemin);
        HKEY cle = nullptr;
        VERIFIER(RegCreateKeyExW(HKEY_CLASSES_ROOT, Large(chemin).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &cle,
                                 nullptr) == (attendue != nullptr ? ERROR_SUCCESS : ERROR_ACCESS_DENIED));
        if (attendue != nullptr && action != 0) {
            const std::string nom = nomsValeurs[lecteur.Choix(4)];
            const DWORD type = typesValeurs[lecteur.Choix(3)];
            Octets octets(lecteur.Choix(8));
            for (BYTE& octet : octets) octet = lecteur.Octet();
            VERIFIER(RegSetValueExW(cle, nom.empty() ? nullptr : Large(nom).c_str(), 0, type, octets.data(),
                                    static_cast<DWORD>(octets.size())) == ERROR_SUCCESS);
            Modele::Definir(*attendue, nom, type, octets);
        }
        if (cle != nullptr) RegCloseKey(cle);
        return;
    }
    if (action == 3) {
        REGSAM refuses = 0;
        const std::uint8_t bits = lecteur.Octet();
        for (size_t i = 0; i < 3; ++i)
            if ((bits >> i) & 1) refuses |= droitsRefusables[i];
        Cle* attendue = modele.Trouver(chemin);
        VERIFIER(PlateformeRefuserAcces(HKEY_CLASSES_ROOT, Large(chemin).c_str(), refuses) ==
                 (attendue != nullptr ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND));
        if (attendue != nullptr) attendue->refuses = refuses;
        return;
    }
    if (action <= 5)
        VERIFIER(DllRegisterServer() == modele.Enregistrer());
    else
        VERIFIER(DllUnregisterServer() == modele.Desenregistrer());
    Comparer(modele);
    VERIFIER(DllCanUnloadNow() == S_OK);
}

// What the module registers as its file: this program, which it is linked into.
Octets CheminDuProgramme() {
    static WCHAR chemin[32768];
    const DWORD longueur = GetModuleFileNameW(nullptr, chemin, 32768);
    VERIFIER(longueur > 0 && longueur < 32768);
    Octets octets(reinterpret_cast<const BYTE*>(chemin),
                  reinterpret_cast<const BYTE*>(chemin + longueur + 1));
    return octets;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static const Octets cheminModule = CheminDuProgramme();
    PlateformeViderRegistre();
    Modele modele(cheminModule);
    Lecteur lecteur(donnees, taille);
    while (lecteur.Reste()) Jouer(lecteur, modele);
    Comparer(modele);
    PlateformeViderRegistre();
    return 0;
}
