// The registry of the Linux stand-in: a tree of keys in the process's
// memory, behind one mutex.
//
// A handle is a key into one table, as kernel handles are, so a closed or
// never-issued one is refused instead of followed. It keeps its key alive: a
// key deleted while a handle is open on it stays in memory, marked, until
// that handle is closed. Changes are made so that an allocation failing
// half-way leaves the registry, and the blocks it holds, as they were.
#include "plateforme_linux.h"
#include "refus.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "casse.h"

namespace {

using Texte = std::basic_string<WCHAR>;
using VueTexte = std::basic_string_view<WCHAR>;

// The longest key name Windows accepts.
constexpr size_t longueurMaxNom = 255;

struct Valeur {
    Texte nom;
    DWORD type;
    std::vector<BYTE> donnees;
};

struct Cle {
    Texte nom;
    // The key above, while this one is in the tree; null for a root.
    Cle* parent = nullptr;
    REGSAM refuses = 0;
    bool supprimee = false;
    // Under their upper-case names: lookups ignore case, and the map's order
    // is the order in which Windows enumerates.
    std::map<Texte, std::shared_ptr<Cle>, std::less<>> sousCles;
    std::vector<Valeur> valeurs; // in creation order
};

struct Poignee {
    std::shared_ptr<Cle> cle;
    REGSAM droits = 0;
};

// A key name in upper case, on the stack: lookups allocate nothing.
class NomMajuscule {
public:
    explicit NomMajuscule(VueTexte nom) : longueur_(nom.size()) {
        for (size_t i = 0; i < longueur_; ++i) texte_[i] = Majuscule(nom[i]);
    }
    VueTexte Vue() const { return VueTexte(texte_, longueur_); }

private:
    WCHAR texte_[longueurMaxNom];
    size_t longueur_;
};

VueTexte Vue(LPCWSTR texte) { return texte == nullptr ? VueTexte() : VueTexte(texte); }

bool MemeNom(VueTexte a, VueTexte b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Majuscule(a[i]) != Majuscule(b[i])) return false;
    return true;
}

// Checks a backslash-separated path of key names: no leading backslash, no
// empty name, none longer than Windows allows. A trailing backslash, which
// Windows ignores, is taken off.
LONG LireChemin(LPCWSTR texte, VueTexte& chemin) {
    chemin = Vue(texte);
    if (chemin.empty()) return ERROR_SUCCESS;
    if (chemin.front() == u'\\') return ERROR_BAD_PATHNAME;
    if (chemin.back() == u'\\') chemin.remove_suffix(1);
    if (chemin.back() == u'\\') return ERROR_BAD_PATHNAME;
    for (size_t debut = 0; debut < chemin.size();) {
        size_t fin = chemin.find(u'\\', debut);
        if (fin == VueTexte::npos) fin = chemin.size();
        if (fin == debut) return ERROR_BAD_PATHNAME;
        if (fin - debut > longueurMaxNom) return ERROR_INVALID_PARAMETER;
        debut = fin + 1;
    }
    return ERROR_SUCCESS;
}

// The first name of a checked path, taken off the path.
VueTexte PremierNom(VueTexte& chemin) {
    const size_t fin = chemin.find(u'\\');
    const VueTexte nom = chemin.substr(0, fin);
    chemin.remove_prefix(fin == VueTexte::npos ? chemin.size() : fin + 1);
    return nom;
}

// Follows `chemin` down from `cle` as far as the keys exist: `chemin` keeps
// the names not found.
void Descendre(std::shared_ptr<Cle>& cle, VueTexte& chemin) {
    while (!chemin.empty()) {
        VueTexte reste = chemin;
        const auto it = cle->sousCles.find(NomMajuscule(PremierNom(reste)).Vue());
        if (it == cle->sousCles.end()) return;
        cle = it->second;
        chemin = reste;
    }
}

std::shared_ptr<Cle> NouvelleCle(VueTexte nom) {
    auto cle = std::make_shared<Cle>();
    cle->nom = Texte(nom);
    return cle;
}

Valeur* TrouverValeur(Cle& cle, VueTexte nom) {
    for (Valeur& valeur : cle.valeurs)
        if (MemeNom(valeur.nom, nom)) return &valeur;
    return nullptr;
}

// Marks a key and all below it deleted and lets go of them: handles still
// open keep what they point at.
void Vider(Cle& cle) noexcept {
    for (auto& element : cle.sousCles) {
        Vider(*element.second);
        element.second->supprimee = true;
        element.second->parent = nullptr;
    }
    cle.sousCles.clear();
    std::vector<Valeur>().swap(cle.valeurs);
}

// Takes a key without subkeys out of the tree.
void Retirer(Cle& cle) noexcept {
    Cle* const parent = cle.parent;
    Vider(cle);
    cle.supprimee = true;
    cle.parent = nullptr;
    // Last: this may destroy the key.
    parent->sousCles.erase(parent->sousCles.find(NomMajuscule(cle.nom).Vue()));
}

// The caller's name buffer holds `*capacite` characters, NUL included; on
// success `*capacite` becomes the length without the NUL.
LONG RendreNom(const Texte& texte, LPWSTR nom, LPDWORD capacite) {
    if (texte.size() >= *capacite) return ERROR_MORE_DATA;
    std::memcpy(nom, texte.data(), texte.size() * sizeof(WCHAR));
    nom[texte.size()] = 0;
    *capacite = static_cast<DWORD>(texte.size());
    return ERROR_SUCCESS;
}

// Type and bytes of a value, as Win32 gives them: with no buffer, the size
// only; with one too small, ERROR_MORE_DATA and the size needed.
LONG RendreDonnees(const Valeur& valeur, LPDWORD type, LPBYTE donnees, LPDWORD taille) {
    if (type != nullptr) *type = valeur.type;
    if (taille == nullptr) return ERROR_SUCCESS;
    const DWORD capacite = *taille;
    *taille = static_cast<DWORD>(valeur.donnees.size());
    if (donnees == nullptr) return ERROR_SUCCESS;
    if (capacite < valeur.donnees.size()) return ERROR_MORE_DATA;
    if (!valeur.donnees.empty()) std::memcpy(donnees, valeur.donnees.data(), valeur.donnees.size());
    return ERROR_SUCCESS;
}

class Registre {
public:
    std::mutex mutex;

    // The key behind a handle, if the handle grants `requis` and the key is
    // still there. Under the mutex.
    LONG Trouver(HKEY h, REGSAM requis, Poignee& poignee) {
        if (EstRacine(h)) {
            // A root is not owned by any handle: an empty owner.
            Cle& racine = racines_[reinterpret_cast<std::intptr_t>(h) - premiereRacine()];
            poignee.cle = std::shared_ptr<Cle>(std::shared_ptr<Cle>(), &racine);
            poignee.droits = KEY_ALL_ACCESS & ~racine.refuses;
        } else {
            const auto it = poignees_.find(reinterpret_cast<std::uintptr_t>(h));
            if (it == poignees_.end()) return ERROR_INVALID_HANDLE;
            poignee = it->second;
        }
        if ((poignee.droits & requis) != requis) return ERROR_ACCESS_DENIED;
        if (poignee.cle->supprimee) return ERROR_KEY_DELETED;
        return ERROR_SUCCESS;
    }

    // A new handle, never one given before. May throw std::bad_alloc.
    HKEY Emettre(std::shared_ptr<Cle> cle, REGSAM droits) {
        // Multiples of 4, as kernel handles, far from the kernel objects'.
        const std::uintptr_t valeur = derniere_ + 4;
        poignees_.emplace(valeur, Poignee{std::move(cle), droits});
        derniere_ = valeur;
        return reinterpret_cast<HKEY>(valeur);
    }

    // Opens an existing key, or says why not.
    LONG Ouvrir(const std::shared_ptr<Cle>& cle, REGSAM droits, HKEY& resultat) {
        if ((cle->refuses & droits) != 0) return ERROR_ACCESS_DENIED;
        try {
            resultat = Emettre(cle, droits);
        } catch (...) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        return ERROR_SUCCESS;
    }

    // Creates the keys `chemin` names under `parent` and opens the last one.
    // They are built apart and hung in last, so a failure leaves no trace.
    LONG Creer(Cle& parent, VueTexte chemin, REGSAM droits, HKEY& resultat) {
        if ((parent.refuses & KEY_CREATE_SUB_KEY) != 0) return ERROR_ACCESS_DENIED;
        try {
            const std::shared_ptr<Cle> tete = NouvelleCle(PremierNom(chemin));
            std::shared_ptr<Cle> bout = tete;
            while (!chemin.empty()) {
                auto suivante = NouvelleCle(PremierNom(chemin));
                suivante->parent = bout.get();
                bout->sousCles.emplace(Texte(NomMajuscule(suivante->nom).Vue()), suivante);
                bout = std::move(suivante);
            }
            tete->parent = &parent;
            const auto place = parent.sousCles.emplace(Texte(NomMajuscule(tete->nom).Vue()), tete).first;
            try {
                resultat = Emettre(bout, droits);
            } catch (...) {
                parent.sousCles.erase(place);
                throw;
            }
        } catch (...) {
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        return ERROR_SUCCESS;
    }

    static bool EstRacine(HKEY h) {
        const auto valeur = reinterpret_cast<std::intptr_t>(h);
        return valeur >= premiereRacine() && valeur < premiereRacine() + nombreRacines;
    }

    bool Fermer(HKEY h) { return poignees_.erase(reinterpret_cast<std::uintptr_t>(h)) == 1; }

    DWORD Ouvertes() const { return static_cast<DWORD>(poignees_.size()); }

    void ViderTout() {
        for (Cle& racine : racines_) {
            Vider(racine);
            racine.refuses = 0;
        }
    }

private:
    static constexpr std::intptr_t nombreRacines = 3;
    static std::intptr_t premiereRacine() { return reinterpret_cast<std::intptr_t>(HKEY_CLASSES_ROOT); }

    Cle racines_[nombreRacines];
    // Ordered nodes rather than a hash table: no bucket array that a failed
    // insertion would leave grown.
    std::map<std::uintptr_t, Poignee> poignees_;
    std::uintptr_t derniere_ = 0x40000000;
};

Registre& LeRegistre() {
    // Never destroyed, and not on the heap: keys may still be closed from
    // other libraries' global destructors at exit, and a test that counts
    // live blocks must not see it appear.
    alignas(Registre) static unsigned char place[sizeof(Registre)];
    static Registre* const registre = new (place) Registre;
    return *registre;
}

} // namespace

extern "C" {

LONG RegCreateKeyExW(HKEY h, LPCWSTR sousCle, DWORD reserve, LPWSTR, DWORD, REGSAM droits,
                     const SECURITY_ATTRIBUTES*, PHKEY resultat, LPDWORD disposition) {
    if (resultat == nullptr || reserve != 0) return ERROR_INVALID_PARAMETER;
    *resultat = nullptr;
    VueTexte chemin;
    LONG erreur = LireChemin(sousCle, chemin);
    if (erreur != ERROR_SUCCESS) return erreur;

    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee base;
    erreur = registre.Trouver(h, 0, base);
    if (erreur != ERROR_SUCCESS) return erreur;
    std::shared_ptr<Cle> cle = base.cle;
    Descendre(cle, chemin);
    const bool existait = chemin.empty();
    erreur =
        existait ? registre.Ouvrir(cle, droits, *resultat) : registre.Creer(*cle, chemin, droits, *resultat);
    if (erreur == ERROR_SUCCESS && disposition != nullptr)
        *disposition = existait ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return erreur;
}

LONG RegOpenKeyExW(HKEY h, LPCWSTR sousCle, DWORD options, REGSAM droits, PHKEY resultat) {
    if (resultat == nullptr || (options & ~REG_OPTION_OPEN_LINK) != 0) return ERROR_INVALID_PARAMETER;
    *resultat = nullptr;
    VueTexte chemin;
    LONG erreur = LireChemin(sousCle, chemin);
    if (erreur != ERROR_SUCCESS) return erreur;

    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee base;
    erreur = registre.Trouver(h, 0, base);
    if (erreur != ERROR_SUCCESS) return erreur;
    std::shared_ptr<Cle> cle = base.cle;
    Descendre(cle, chemin);
    if (!chemin.empty()) return ERROR_FILE_NOT_FOUND;
    return registre.Ouvrir(cle, droits, *resultat);
}

LONG RegSetValueExW(HKEY h, LPCWSTR nom, DWORD reserve, DWORD type, const BYTE* donnees, DWORD taille) {
    if (reserve != 0) return ERROR_INVALID_PARAMETER;
    if (donnees == nullptr && taille != 0) return ERROR_NOACCESS;
    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee poignee;
    const LONG erreur = registre.Trouver(h, KEY_SET_VALUE, poignee);
    if (erreur != ERROR_SUCCESS) return erreur;
    try {
        std::vector<BYTE> octets(donnees, donnees + taille);
        if (Valeur* valeur = TrouverValeur(*poignee.cle, Vue(nom))) {
            // Overwritten in place: same name, same rank.
            valeur->type = type;
            valeur->donnees.swap(octets);
        } else {
            poignee.cle->valeurs.push_back(Valeur{Texte(Vue(nom)), type, std::move(octets)});
        }
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY h, LPCWSTR nom, LPDWORD reserve, LPDWORD type, LPBYTE donnees, LPDWORD taille) {
    if (reserve != nullptr || (donnees != nullptr && taille == nullptr)) return ERROR_INVALID_PARAMETER;
    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee poignee;
    const LONG erreur = registre.Trouver(h, KEY_QUERY_VALUE, poignee);
    if (erreur != ERROR_SUCCESS) return erreur;
    const Valeur* valeur = TrouverValeur(*poignee.cle, Vue(nom));
    if (valeur == nullptr) return ERROR_FILE_NOT_FOUND;
    return RendreDonnees(*valeur, type, donnees, taille);
}

LONG RegEnumKeyExW(HKEY h, DWORD index, LPWSTR nom, LPDWORD capaciteNom, LPDWORD reserve, LPWSTR classe,
                   LPDWORD capaciteClasse, void* heure) {
    if (nom == nullptr || capaciteNom == nullptr || reserve != nullptr ||
        (classe != nullptr && capaciteClasse == nullptr))
        return ERROR_INVALID_PARAMETER;
    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee poignee;
    LONG erreur = registre.Trouver(h, KEY_ENUMERATE_SUB_KEYS, poignee);
    if (erreur != ERROR_SUCCESS) return erreur;
    const auto& sousCles = poignee.cle->sousCles;
    if (index >= sousCles.size()) return ERROR_NO_MORE_ITEMS;
    if (classe != nullptr && *capaciteClasse < 1) return ERROR_MORE_DATA;
    erreur = RendreNom(std::next(sousCles.begin(), index)->second->nom, nom, capaciteNom);
    if (erreur != ERROR_SUCCESS) return erreur;
    if (classe != nullptr) {
        classe[0] = 0;
        *capaciteClasse = 0;
    }
    // A FILETIME: no write times are kept.
    if (heure != nullptr) std::memset(heure, 0, 2 * sizeof(DWORD));
    return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY h, DWORD index, LPWSTR nom, LPDWORD capaciteNom, LPDWORD reserve, LPDWORD type,
                   LPBYTE donnees, LPDWORD taille) {
    if (nom == nullptr || capaciteNom == nullptr || reserve != nullptr ||
        (donnees != nullptr && taille == nullptr))
        return ERROR_INVALID_PARAMETER;
    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee poignee;
    LONG erreur = registre.Trouver(h, KEY_QUERY_VALUE, poignee);
    if (erreur != ERROR_SUCCESS) return erreur;
    if (index >= poignee.cle->valeurs.size()) return ERROR_NO_MORE_ITEMS;
    const Valeur& valeur = poignee.cle->valeurs[index];
    erreur = RendreNom(valeur.nom, nom, capaciteNom);
    if (erreur != ERROR_SUCCESS) return erreur;
    return RendreDonnees(valeur, type, donnees, taille);
}

LONG RegDeleteKeyW(HKEY h, LPCWSTR sousCle) {
    if (sousCle == nullptr) return ERROR_INVALID_PARAMETER;
    VueTexte chemin;
    LONG erreur = LireChemin(sousCle, chemin);
    if (erreur != ERROR_SUCCESS) return erreur;

    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee base;
    // The handle's own rights do not matter, only the key's.
    erreur = registre.Trouver(h, 0, base);
    if (erreur != ERROR_SUCCESS) return erreur;
    std::shared_ptr<Cle> cle = base.cle;
    Descendre(cle, chemin);
    if (!chemin.empty()) return ERROR_FILE_NOT_FOUND;
    // A root cannot go, nor a key with subkeys (Windows refuses both alike).
    if (cle->parent == nullptr || (cle->refuses & DELETE) != 0 || !cle->sousCles.empty())
        return ERROR_ACCESS_DENIED;
    Retirer(*cle);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY h) {
    // A root is never opened, so closing it is always allowed.
    if (Registre::EstRacine(h)) return ERROR_SUCCESS;
    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    if (registre.Fermer(h)) return ERROR_SUCCESS;
    CompterRefus();
    return ERROR_INVALID_HANDLE;
}

LONG PlateformeRefuserAcces(HKEY h, LPCWSTR sousCle, REGSAM refuses) {
    VueTexte chemin;
    LONG erreur = LireChemin(sousCle, chemin);
    if (erreur != ERROR_SUCCESS) return erreur;

    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    Poignee base;
    erreur = registre.Trouver(h, 0, base);
    if (erreur != ERROR_SUCCESS) return erreur;
    std::shared_ptr<Cle> cle = base.cle;
    Descendre(cle, chemin);
    if (!chemin.empty()) return ERROR_FILE_NOT_FOUND;
    cle->refuses = refuses;
    return ERROR_SUCCESS;
}

DWORD PlateformeClesOuvertes() {
    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    return registre.Ouvertes();
}

void PlateformeViderRegistre() {
    Registre& registre = LeRegistre();
    std::lock_guard<std::mutex> verrou(registre.mutex);
    registre.ViderTout();
}

} // extern "C"
