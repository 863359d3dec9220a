// Any sequence of calls on the module's factories and objects, checked
// after each call against a model of every count: the references of each
// factory and object, and the module counter (objects alive plus server
// locks) that DllCanUnloadNow answers from. At the end of the input the
// model releases all it holds and balances the locks: the module counter
// must be back at zero.
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
const IID* const interfacesPropres[] = {&IID_IValiderMotsCles, &IID_ITraduireASCIIMeta};

// A factory or an object alive in the module, as the model sees it. Each
// has one interface pointer, which is also its identity.
struct Entite {
    IUnknown* pointeur;
    int classe;
    bool fabrique;
    ULONG references;
};

// Bounds the model, not the module: enough to reach every state.
constexpr size_t entitesMaximum = 16;

class Modele {
public:
    // One call, chosen and shaped by the next bytes.
    void Appeler(Lecteur& lecteur) {
        const size_t appel = lecteur.Choix(8);
        const IID& iid = *interfaces[lecteur.Choix(4)];
        const bool sansSortie = lecteur.Choix(16) == 0;
        void* sortie = &sortie; // any non-null value: each call must overwrite it
        void** ppv = sansSortie ? nullptr : &sortie;
        Entite* entite = entites_.empty() ? nullptr : &entites_[lecteur.Choix(entites_.size())];

        if (appel == 0 || entite == nullptr) {
            const size_t classe = lecteur.Choix(3);
            const HRESULT hr = DllGetClassObject(*classes[classe], iid, ppv);
            if (sansSortie) return VERIFIER(hr == E_POINTER);
            if (classe == 2) return Refus(hr, CLASS_E_CLASSNOTAVAILABLE, sortie);
            if (!EstFabrique(iid)) return Refus(hr, E_NOINTERFACE, sortie);
            VERIFIER(hr == S_OK && sortie != nullptr);
            return Ajouter(Entite{static_cast<IUnknown*>(sortie), static_cast<int>(classe), true, 1});
        }
        switch (appel) {
        case 1: {
            const HRESULT hr = entite->pointeur->QueryInterface(iid, ppv);
            if (sansSortie) return VERIFIER(hr == E_POINTER);
            const bool propre = entite->fabrique ? EstFabrique(iid)
                                                 : IsEqualGUID(iid, IID_IUnknown) ||
                                                       IsEqualGUID(iid, *interfacesPropres[entite->classe]);
            if (!propre) return Refus(hr, E_NOINTERFACE, sortie);
            VERIFIER(hr == S_OK && sortie == entite->pointeur);
            ++entite->references;
            return;
        }
        case 2:
            VERIFIER(entite->pointeur->AddRef() == ++entite->references);
            return;
        case 3:
            return Liberer(*entite);
        case 4:
        case 5: {
            if (!entite->fabrique) return;
            auto* fabrique = static_cast<IClassFactory*>(entite->pointeur);
            if (appel == 5) {
                const bool verrouiller = lecteur.Choix(2) == 0;
                VERIFIER(fabrique->LockServer(verrouiller ? TRUE : FALSE) == S_OK);
                verrous_ += verrouiller ? 1 : -1;
                return;
            }
            // Any other entity as the would-be outer object.
            IUnknown* exterieur =
                lecteur.Choix(4) == 0 ? entites_[lecteur.Choix(entites_.size())].pointeur : nullptr;
            const HRESULT hr = fabrique->CreateInstance(exterieur, iid, ppv);
            if (sansSortie) return VERIFIER(hr == E_POINTER);
            if (exterieur != nullptr) return Refus(hr, CLASS_E_NOAGGREGATION, sortie);
            if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, *interfacesPropres[entite->classe]))
                return Refus(hr, E_NOINTERFACE, sortie);
            VERIFIER(hr == S_OK && sortie != nullptr);
            ++objets_;
            return Ajouter(Entite{static_cast<IUnknown*>(sortie), entite->classe, false, 1});
        }
        case 6:
            VERIFIER(DllCanUnloadNow() == (objets_ + verrous_ == 0 ? S_OK : S_FALSE));
            return;
        default:
            if (!entite->fabrique) Servir(*entite, lecteur.Octet());
            return;
        }
    }

    void Verifier() const { VERIFIER(compteurModule.Compte() == objets_ + verrous_); }

    // Everything the model holds goes back, and the locks are balanced.
    void Solder() {
        IClassFactory* fabrique = nullptr;
        VERIFIER(DllGetClassObject(CLSID_Lexigarde, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)) ==
                 S_OK);
        for (; verrous_ > 0; --verrous_) fabrique->LockServer(FALSE);
        for (; verrous_ < 0; ++verrous_) fabrique->LockServer(TRUE);
        VERIFIER(fabrique->Release() == 0);
        while (!entites_.empty()) Liberer(entites_.back());
        VERIFIER(objets_ == 0 && compteurModule.Compte() == 0 && DllCanUnloadNow() == S_OK);
    }

private:
    static bool EstFabrique(const IID& iid) {
        return IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IClassFactory);
    }

    static void Refus(HRESULT hr, HRESULT attendu, void* sortie) {
        VERIFIER(hr == attendu && sortie == nullptr);
    }

    void Ajouter(const Entite& entite) {
        if (entites_.size() < entitesMaximum) return entites_.push_back(entite);
        // The model is full: the new one goes at once.
        entites_.push_back(entite);
        Liberer(entites_.back());
    }

    void Liberer(Entite& entite) {
        VERIFIER(entite.pointeur->Release() == --entite.references);
        if (entite.references != 0) return;
        if (!entite.fabrique) --objets_;
        entite = entites_.back();
        entites_.pop_back();
    }

    // The object's own method: under AddressSanitizer, proof that it is alive.
    static void Servir(const Entite& objet, std::uint8_t octet) {
        bool motCle = false;
        ResultatTraduction resultat;
        if (objet.classe == 0)
            VERIFIER(static_cast<IValiderMotsCles*>(objet.pointeur)->Valider("while", &motCle) == S_OK &&
                     motCle);
        else
            VERIFIER(static_cast<ITraduireASCIIMeta*>(objet.pointeur)->Traduire(octet, &resultat) == S_OK &&
                     resultat.longueur >= 0 && resultat.longueur <= 64);
    }

    std::vector<Entite> entites_;
    long objets_ = 0;
    long verrous_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    Lecteur lecteur(donnees, taille);
    Modele modele;
    modele.Verifier();
    while (lecteur.Reste()) {
        modele.Appeler(lecteur);
        modele.Verifier();
    }
    modele.Solder();
    return 0;
}
