#include "commandes.h"

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif
#include <sys/stat.h>

#include "traduction.h"

namespace {

bool EstTerminal(std::FILE* flux) {
#if defined(_WIN32)
    return _isatty(_fileno(flux)) != 0;
#else
    return isatty(fileno(flux)) != 0;
#endif
}

// A named output file appears whole or not at all: written beside it under
// a temporary name, renamed over it once complete.
class FichierSortie {
public:
    explicit FichierSortie(const std::string& chemin)
        : chemin_(chemin), temporaire_(chemin + ".lexigarde-" + std::to_string(Pid())) {
        flux_ = Ouvrir(temporaire_, "wb");
        if (flux_ == nullptr) throw Erreur("cannot create " + temporaire_ + ": " + std::strerror(errno));
    }
    ~FichierSortie() {
        if (flux_ != nullptr) {
            std::fclose(flux_);
            Effacer();
        }
    }
    std::FILE* Flux() const { return flux_; }
    // On Windows a file still open cannot be replaced: the caller has
    // closed the inputs, which may include the file this replaces.
    void Valider() {
        const bool ferme = std::fclose(flux_) == 0;
        flux_ = nullptr;
        std::error_code erreur;
        if (ferme) std::filesystem::rename(Chemin(temporaire_), Chemin(chemin_), erreur);
        if (!ferme || erreur) {
            Effacer();
            throw Erreur("cannot write " + chemin_ + (erreur ? ": " + erreur.message() : ""));
        }
    }

private:
    static long Pid() {
#if defined(_WIN32)
        return static_cast<long>(GetCurrentProcessId());
#else
        return static_cast<long>(getpid());
#endif
    }
    void Effacer() const {
        std::error_code ignoree;
        std::filesystem::remove(Chemin(temporaire_), ignoree);
    }
    std::string chemin_, temporaire_;
    std::FILE* flux_ = nullptr;
};

// Progress on standard error, for long work (16 MiB) seen on a terminal.
// `total` 0: unknown (a pipe among the inputs), and the bytes done are shown
// alone.
class Progres {
public:
    Progres(std::uint64_t total, bool actif) : total_(total), actif_(actif && EstTerminal(stderr)) {}
    ~Progres() {
        if (affiche_) std::fprintf(stderr, "\r\033[K");
    }
    void operator()(std::uint64_t fait) {
        if (!actif_ || (!affiche_ && (total_ != 0 ? total_ : fait) < seuil)) return;
        const auto maintenant = std::chrono::steady_clock::now();
        if (affiche_ && maintenant - dernier_ < std::chrono::milliseconds(250)) return;
        dernier_ = maintenant;
        Afficher(fait);
    }
    // The last figure, once all is done, is shown whatever the time.
    void Fin(std::uint64_t fait) {
        if (affiche_) Afficher(fait);
    }

private:
    static constexpr std::uint64_t seuil = 16u << 20;
    void Afficher(std::uint64_t fait) {
        affiche_ = true;
        if (total_ == 0) {
            std::fprintf(stderr, "\rlexigarde: translating (%llu MiB)", static_cast<unsigned long long>(fait >> 20));
            return;
        }
        std::fprintf(stderr, "\rlexigarde: translating %3u%% (%llu of %llu MiB)",
                     static_cast<unsigned>(100 * fait / total_), static_cast<unsigned long long>(fait >> 20),
                     static_cast<unsigned long long>(total_ >> 20));
    }
    std::uint64_t total_;
    bool actif_, affiche_ = false;
    std::chrono::steady_clock::time_point dernier_;
};

// The size of standard input when it is a file; 0 when it cannot be known.
std::uint64_t TailleEntreeStandard() {
#if defined(_WIN32)
    struct _stat64 etat;
    if (_fstat64(_fileno(stdin), &etat) != 0 || (etat.st_mode & _S_IFMT) != _S_IFREG) return 0;
#else
    struct stat etat;
    if (fstat(fileno(stdin), &etat) != 0 || !S_ISREG(etat.st_mode)) return 0;
#endif
    return static_cast<std::uint64_t>(etat.st_size);
}

// "U+00E4 at texte.txt:1, U+00FF at texte.txt:3, ...".
std::string DecrireSansTexte(const Bilan& bilan) {
    std::string detail;
    for (const SansTexte& s : bilan.premiers) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(s.caractere));
        if (!detail.empty()) detail += ", ";
        detail += std::string(code) + " at " + s.source + ":" + std::to_string(s.position);
    }
    if (bilan.sansTexte > bilan.premiers.size()) detail += ", ...";
    return detail;
}

std::string LireRegistre(const std::string& cle) {
    HKEY ouverte = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Large(cle).c_str(), 0, KEY_READ, &ouverte) != ERROR_SUCCESS) return "";
    WCHAR valeur[1024] = {};
    DWORD taille = sizeof valeur - sizeof(WCHAR);
    DWORD type = 0;
    const LONG resultat =
        RegQueryValueExW(ouverte, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(valeur), &taille);
    RegCloseKey(ouverte);
    if (resultat != ERROR_SUCCESS || type != REG_SZ) return "";
    return Etroit(valeur);
}

} // namespace

void Signaler(const std::string& message) { std::fprintf(stderr, "lexigarde: %s\n", message.c_str()); }

// -- check ------------------------------------------------------------------

int Verifier(Serveur& serveur, const std::vector<std::string>& mots) {
    auto validateur = serveur.CreerValidateur();
    bool tousMotsCles = true;
    auto verifier = [&](const std::string& mot) {
        bool motCle = false;
        const HRESULT hr = validateur->Valider(mot.c_str(), &motCle);
        if (FAILED(hr)) throw Erreur("Valider failed: " + DecrireHResult(hr));
        std::printf("%s: %s\n", mot.c_str(), motCle ? "keyword" : "not a keyword");
        tousMotsCles = tousMotsCles && motCle;
    };
    if (!mots.empty()) {
        for (const std::string& mot : mots) verifier(mot);
    } else {
        std::string ligne;
        while (std::getline(std::cin, ligne)) {
            if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
            verifier(ligne);
        }
        if (std::cin.bad()) throw Erreur("cannot read standard input");
    }
    if (std::fflush(stdout) != 0) throw Erreur("cannot write standard output");
    return tousMotsCles ? 0 : 1;
}

// -- translate --------------------------------------------------------------

int Traduire(Serveur& serveur, const OptionsTraduction& options) {
    std::vector<std::string> entrees = options.fichiers;
    if (entrees.empty()) entrees.push_back("-");

    // Every input is opened before anything is written.
    struct Entree {
        std::string nom;
        std::FILE* flux;
    };
    std::vector<Entree> ouvertes;
    auto fermer = [&] {
        for (Entree& entree : ouvertes)
            if (entree.flux != stdin) std::fclose(entree.flux);
        ouvertes.clear();
    };
    std::uint64_t total = 0;
    bool totalConnu = true;
    for (const std::string& nom : entrees) {
        if (nom == "-") {
            const std::uint64_t taille = TailleEntreeStandard();
            totalConnu = totalConnu && taille != 0;
            total += taille;
            ouvertes.push_back({"<stdin>", stdin});
            continue;
        }
        std::error_code erreur;
        if (std::filesystem::is_directory(Chemin(nom), erreur)) {
            fermer();
            throw Erreur(nom + ": is a directory");
        }
        std::FILE* flux = Ouvrir(nom, "rb");
        if (flux == nullptr) {
            const std::string raison = std::strerror(errno);
            fermer();
            throw Erreur("cannot open " + nom + ": " + raison);
        }
        ouvertes.push_back({nom, flux});
        const auto taille = std::filesystem::file_size(Chemin(nom), erreur);
        if (!erreur) total += static_cast<std::uint64_t>(taille);
    }

    std::unique_ptr<FichierSortie> fichier;
    try {
        auto traducteur = serveur.CreerTraducteur();
        if (!options.sortie.empty() && options.sortie != "-")
            fichier = std::make_unique<FichierSortie>(options.sortie);
        Progres progres(totalConnu ? total : 0, options.progres);
        std::uint64_t fait = 0;
        Traduction traduction(traducteur.get(), options.utf8 ? Codage::Utf8 : Codage::Latin1, options.strict,
                              fichier ? fichier->Flux() : stdout, [&](std::uint64_t lus) {
                                  fait = lus;
                                  progres(lus);
                              });
        for (const Entree& entree : ouvertes) traduction.Traduire(entree.flux, entree.nom);
        traduction.Terminer();
        progres.Fin(fait);

        const Bilan& bilan = traduction.Resultat();
        if (bilan.sansTexte > 0)
            Signaler(std::to_string(bilan.sansTexte) + " of " + std::to_string(bilan.caracteres) +
                     " characters have no HTML text and were left out (" + DecrireSansTexte(bilan) + ")");
        fermer();
        if (fichier) fichier->Valider();
    } catch (...) {
        fermer();
        throw;
    }
    return 0;
}

// -- register, unregister, status ------------------------------------------

int Enregistrer(Serveur& serveur, bool enregistrer) {
    const char* fonction = enregistrer ? "DllRegisterServer" : "DllUnregisterServer";
    const HRESULT hr = enregistrer ? serveur.Enregistrer() : serveur.Desenregistrer();
    std::printf("%s in %s: %s\n", fonction, serveur.Origine().c_str(), DecrireHResult(hr).c_str());
    bool reussi = SUCCEEDED(hr);
#if defined(_WIN32)
    // Clients in other apartments need the proxy/stub: it goes with the
    // module when it lies beside it.
    const std::string proxy = ProxyVoisin(serveur.Origine());
    if (proxy.empty())
        std::printf("%s: no LexigardePS.dll beside it, so clients in other apartments get E_NOINTERFACE\n",
                    serveur.Origine().c_str());
    if (!proxy.empty()) {
        Serveur proxyStub(proxy);
        const HRESULT hrProxy = enregistrer ? proxyStub.Enregistrer() : proxyStub.Desenregistrer();
        std::printf("%s in %s: %s\n", fonction, proxyStub.Origine().c_str(), DecrireHResult(hrProxy).c_str());
        reussi = reussi && SUCCEEDED(hrProxy);
    }
#else
    std::printf("(on Linux the registry is the stand-in's, and lasts as long as this process)\n");
#endif
    return reussi ? 0 : 1;
}

int Etat(const std::string& activation) {
#if defined(_WIN32)
    std::printf("activation: %s\n", activation.c_str());
#else
    std::printf("module:     %s\n", activation.c_str());
#endif
    struct Classe {
        const char *nom, *clsid, *progId, *independant;
    };
    const Classe classes[] = {
        {"Lexigarde (IValiderMotsCles)", "{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}",
         "Composant.Interne.ValidationMotsCles.1", "Composant.Interne.ValidationMotsCles"},
        {"TraducteurASCIIMeta (ITraduireASCIIMeta)", "{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}",
         "Composant.Interne.Trad.ASCII.HTML.1", "Composant.Interne.Trad.ASCII.HTML"},
    };
    for (const Classe& classe : classes) {
        const std::string serveur = LireRegistre(std::string("CLSID\\") + classe.clsid + "\\InprocServer32");
        std::printf("\n%s\n  CLSID:      %s\n  ProgID:     %s (version-independent: %s)\n  registered: %s\n",
                    classe.nom, classe.clsid, classe.progId, classe.independant,
                    serveur.empty() ? "no" : ("yes, server " + serveur).c_str());
    }
#if defined(_WIN32)
    // The proxy/stub is whatever the registry names for each interface.
    struct Interface {
        const char *nom, *iid;
    };
    const Interface interfaces[] = {
        {"IValiderMotsCles", "{EE9424BB-CFBD-4371-8C30-0875092A3FD4}"},
        {"ITraduireASCIIMeta", "{49E27F9D-E8C9-4235-82AC-29B3D41AA2C9}"},
    };
    std::printf("\nProxy/stub (for clients in other apartments, such as multithreaded ones)\n");
    for (const Interface& declaree : interfaces) {
        const std::string classe =
            LireRegistre(std::string("Interface\\") + declaree.iid + "\\ProxyStubClsid32");
        const std::string serveur =
            classe.empty() ? "" : LireRegistre("CLSID\\" + classe + "\\InprocServer32");
        std::printf("  %-19s registered: %s\n", (std::string(declaree.nom) + ":").c_str(),
                    classe.empty()    ? "no"
                    : serveur.empty() ? ("no, class " + classe + " has no server").c_str()
                                      : ("yes, class " + classe + ", server " + serveur).c_str());
    }
#else
    std::printf("\n(on Linux the registry is the stand-in's, and lasts as long as this process)\n");
#endif
    return 0;
}

// The arguments in UTF-8.
