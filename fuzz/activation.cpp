// Any sequence of calls on the module's factories and objects, checked
// after each call against a model of every count: the references of each
// factory and object, and the module counter (objects alive plus server
// locks). At the end the model releases all it holds and balances the
// locks: the module must be unloadable again.
#include <vector>

#include "fuzz/verifier.h"
#include "lexigarde.h"
#include "module/compteur_module.h"

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

// Whether a factory (or an object) of a class gives an interface.
bool Donne(bool fabrique, size_t classe, const IID& iid) {
    if (IsEqualGUID(iid, IID_IUnknown)) return true;
    return IsEqualGUID(iid, fabrique ? IID_IClassFactory : *interfaces[2 + classe]);
}

struct Modele {
    std::vector<Entite> entites;
    long objets = 0, verrous = 0;

    // A call's answer into `ppv` (null or not): E_POINTER for a null one, else `attendu`, with a
    // null pointer on a refusal. Whether it gave an interface pointer.
    static bool Rendu(HRESULT hr, void** ppv, HRESULT attendu) {
        if (ppv == nullptr) attendu = E_POINTER;
        VERIFIER(hr == attendu);
        if (ppv != nullptr && attendu != S_OK) VERIFIER(*ppv == nullptr);
        return attendu == S_OK;
    }

    // A call that makes a factory or an object.
    void Recevoir(HRESULT hr, void** ppv, HRESULT attendu, size_t classe, bool fabrique) {
        if (!Rendu(hr, ppv, attendu)) return;
        VERIFIER(*ppv != nullptr);
        entites.push_back(Entite{static_cast<IUnknown*>(*ppv), classe, fabrique, 1});
        if (!fabrique) ++objets;
        if (entites.size() > 16) Liberer(entites.size() - 1); // bounds the model, not the module
    }

    void Liberer(size_t i) {
        --entites[i].references;
        VERIFIER(entites[i].pointeur->Release() == entites[i].references);
        if (entites[i].references != 0) return;
        if (!entites[i].fabrique) --objets;
        entites.erase(entites.begin() + static_cast<long>(i));
    }

    // The object's one method, which must work; what it answers is the component tests'.
    static void Utiliser(const Entite& e, Lecteur& lecteur) {
        if (e.classe == 0) {
            bool motCle = false;
            VERIFIER(static_cast<IValiderMotsCles*>(e.pointeur)->Valider("while", &motCle) == S_OK);
            return;
        }
        ResultatTraduction resultat;
        VERIFIER(static_cast<ITraduireASCIIMeta*>(e.pointeur)->Traduire(lecteur.Octet(), &resultat) == S_OK);
    }

    // The input chooses, in this order: the call, the entity, the interface, whether the
    // out-pointer is null, then what the call itself needs.
    void Appeler(Lecteur& lecteur) {
        const size_t appel = lecteur.Choix(8);
        size_t i = 0;
        if (!entites.empty()) i = lecteur.Choix(entites.size());
        const IID& iid = *interfaces[lecteur.Choix(4)];
        void* sortie = &sortie; // any non-null value: each call must overwrite it
        void** ppv = &sortie;
        if (lecteur.Choix(16) == 0) ppv = nullptr;
        if (appel == 0 || entites.empty()) {
            const size_t classe = lecteur.Choix(3);
            HRESULT attendu = Donne(true, classe, iid) ? S_OK : E_NOINTERFACE;
            if (classe == 2) attendu = CLASS_E_CLASSNOTAVAILABLE;
            Recevoir(DllGetClassObject(*classes[classe], iid, ppv), ppv, attendu, classe, true);
            return;
        }
        Entite& e = entites[i];
        if (appel == 1) {
            const HRESULT attendu = Donne(e.fabrique, e.classe, iid) ? S_OK : E_NOINTERFACE;
            if (!Rendu(e.pointeur->QueryInterface(iid, ppv), ppv, attendu)) return;
            VERIFIER(*ppv == e.pointeur); // one identity
            ++e.references;
        } else if (appel == 2) {
            ++e.references;
            VERIFIER(e.pointeur->AddRef() == e.references);
        } else if (appel == 3) {
            Liberer(i);
        } else if (appel == 6) {
            VERIFIER(DllCanUnloadNow() == (objets + verrous == 0 ? S_OK : S_FALSE));
        } else if (!e.fabrique) {
            Utiliser(e, lecteur);
        } else if (appel == 5) {
            const bool verrouiller = lecteur.Choix(2) == 0;
            VERIFIER(static_cast<IClassFactory*>(e.pointeur)->LockServer(verrouiller) == S_OK);
            verrous += verrouiller ? 1 : -1;
        } else {
            // Any entity as the would-be outer object, now and then.
            IUnknown* exterieur = nullptr;
            if (lecteur.Choix(4) == 0) exterieur = entites[lecteur.Choix(entites.size())].pointeur;
            const size_t classe = e.classe;
            HRESULT attendu = Donne(false, classe, iid) ? S_OK : E_NOINTERFACE;
            if (exterieur != nullptr) attendu = CLASS_E_NOAGGREGATION;
            const HRESULT hr = static_cast<IClassFactory*>(e.pointeur)->CreateInstance(exterieur, iid, ppv);
            Recevoir(hr, ppv, attendu, classe, false);
        }
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
    // Balances the server locks the input left, then releases everything held.
    IClassFactory* fabrique = nullptr;
    VERIFIER(DllGetClassObject(CLSID_Lexigarde, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)) ==
             S_OK);
    for (; modele.verrous > 0; --modele.verrous) fabrique->LockServer(FALSE);
    for (; modele.verrous < 0; ++modele.verrous) fabrique->LockServer(TRUE);
    VERIFIER(fabrique->Release() == 0);
    while (!modele.entites.empty()) modele.Liberer(modele.entites.size() - 1);
    VERIFIER(compteurModule.Compte() == 0);
    return 0;
}
