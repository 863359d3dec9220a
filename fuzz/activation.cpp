// Any sequence of calls on the module's factories and objects, checked
// after each call against a model of every count: the references of each
// factory and object, and the module counter (objects alive plus server
// locks). At the end the model releases all it holds and balances the
// locks: the module must be unloadable again.
#include <vector>

#include "fuzz/verifier.h"
#include "lexigarde.h"
#include "module/compteur_module.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
STDAPI DllCanUnloadNow();

namespace {

// The two classes, then an identifier that names no class.
const GUID* const classes[] = {&CLSID_Lexigarde, &CLSID_TraducteurASCIIMeta, &IID_IValiderMotsCles};
const IID* const interfaces[] = {&IID_IUnknown, &IID_IClassFactory, &IID_IValiderMotsCles,
                                 &IID_ITraduireASCIIMeta};

// A factory or an object held by the model; its one interface pointer is its identity.
struct Entite {
    IUnknown* pointeur;
    size_t classe;
    bool fabrique;
    ULONG references;
};

struct Modele {
    std::vector<Entite> entites;
    long objets = 0, verrous = 0;

    static bool Donne(const Entite& e, const IID& iid) {
        return IsEqualGUID(iid, IID_IUnknown) ||
               IsEqualGUID(iid, e.fabrique ? IID_IClassFactory : *interfaces[2 + e.classe]);
    }

    // A call that makes a factory or an object (or refuses with `refus` and a null pointer).
    void Recevoir(HRESULT hr, bool sansSortie, void* sortie, HRESULT refus, size_t classe, bool fabrique) {
        if (sansSortie) return VERIFIER(hr == E_POINTER);
        if (refus != S_OK) return VERIFIER(hr == refus && sortie == nullptr);
        VERIFIER(hr == S_OK && sortie != nullptr);
        entites.push_back(Entite{static_cast<IUnknown*>(sortie), classe, fabrique, 1});
        objets += !fabrique;
        if (entites.size() > 16) Liberer(entites.size() - 1); // bounds the model, not the module
    }

    void Liberer(size_t i) {
        VERIFIER(entites[i].pointeur->Release() == --entites[i].references);
        if (entites[i].references != 0) return;
        objets -= !entites[i].fabrique;
        entites.erase(entites.begin() + static_cast<long>(i));
    }

    void Appeler(Lecteur& lecteur) {
        const size_t appel = lecteur.Choix(8), i = entites.empty() ? 0 : lecteur.Choix(entites.size());
        const IID& iid = *interfaces[lecteur.Choix(4)];
        const bool sansSortie = lecteur.Choix(16) == 0;
        void* sortie = &sortie; // any non-null value: each call must overwrite it
        void** ppv = sansSortie ? nullptr : &sortie;
        if (appel == 0 || entites.empty()) {
            const size_t classe = lecteur.Choix(3);
            const HRESULT refus = classe == 2                                    ? CLASS_E_CLASSNOTAVAILABLE
                                  : Donne(Entite{nullptr, classe, true, 1}, iid) ? S_OK
                                                                                 : E_NOINTERFACE;
            const HRESULT hr = DllGetClassObject(*classes[classe], iid, ppv);
            return Recevoir(hr, sansSortie, sortie, refus, classe, true);
        }
        Entite& e = entites[i];
        if (appel == 1) {
            const HRESULT hr = e.pointeur->QueryInterface(iid, ppv);
            if (sansSortie) return VERIFIER(hr == E_POINTER);
            if (!Donne(e, iid)) return VERIFIER(hr == E_NOINTERFACE && sortie == nullptr);
            VERIFIER(hr == S_OK && sortie == e.pointeur); // one identity
            ++e.references;
            return;
        }
        if (appel == 2) return VERIFIER(e.pointeur->AddRef() == ++e.references);
        if (appel == 3) return Liberer(i);
        if (appel == 6) return VERIFIER(DllCanUnloadNow() == (objets + verrous == 0 ? S_OK : S_FALSE));
        if (!e.fabrique) {
            bool motCle = false;
            ResultatTraduction resultat;
            if (e.classe == 0)
                return VERIFIER(
                    static_cast<IValiderMotsCles*>(e.pointeur)->Valider("while", &motCle) == S_OK && motCle);
            return VERIFIER(
                static_cast<ITraduireASCIIMeta*>(e.pointeur)->Traduire(lecteur.Octet(), &resultat) == S_OK &&
                resultat.longueur >= 0 && resultat.longueur <= 8);
        }
        auto* fabrique = static_cast<IClassFactory*>(e.pointeur);
        if (appel == 5) {
            const bool verrouiller = lecteur.Choix(2) == 0;
            VERIFIER(fabrique->LockServer(verrouiller) == S_OK);
            verrous += verrouiller ? 1 : -1;
            return;
        }
        // Any entity as the would-be outer object, now and then.
        IUnknown* exterieur =
            lecteur.Choix(4) == 0 ? entites[lecteur.Choix(entites.size())].pointeur : nullptr;
        const HRESULT refus = exterieur != nullptr                              ? CLASS_E_NOAGGREGATION
                              : Donne(Entite{nullptr, e.classe, false, 1}, iid) ? S_OK
                                                                                : E_NOINTERFACE;
        const HRESULT hr = fabrique->CreateInstance(exterieur, iid, ppv);
        Recevoir(hr, sansSortie, sortie, refus, e.classe, false);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    Lecteur lecteur{donnees, donnees + taille};
    Modele modele;
    while (lecteur.Reste()) {
        modele.Appeler(lecteur);
        VERIFIER(compteurModule.Compte() == modele.objets + modele.verrous);
    }
    IClassFactory* fabrique = nullptr;
    VERIFIER(DllGetClassObject(CLSID_Lexigarde, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)) ==
             S_OK);
    for (; modele.verrous != 0; modele.verrous += modele.verrous > 0 ? -1 : 1)
        fabrique->LockServer(modele.verrous < 0);
    VERIFIER(fabrique->Release() == 0);
    while (!modele.entites.empty()) modele.Liberer(modele.entites.size() - 1);
    VERIFIER(modele.objets == 0 && compteurModule.Compte() == 0 && DllCanUnloadNow() == S_OK);
    return 0;
}
