#include "commandes.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#else
#include <csignal>
#include <unistd.h>
#endif
#include <sys/stat.h>

#include "traduction.h"

namespace {

#if defined(_WIN32)
HANDLE Console(std::FILE* flux) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(flux))); }
#endif

// A console on Windows (_isatty also says yes for NUL and other devices).
bool EstTerminal(std::FILE* flux) {
#if defined(_WIN32)
    DWORD mode = 0;
    return GetConsoleMode(Console(flux), &mode) != 0;
#else
    return isatty(fileno(flux)) != 0;
#endif
}

// The file a path names, through its symbolic links: -o replaces that file
// and leaves the links as they are.
std::string CheminReel(const std::string& chemin) {
#if defined(_WIN32)
    const HANDLE fichier = CreateFileW(Large(chemin).c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (fichier == INVALID_HANDLE_VALUE) return chemin;
    // Grown until the path fits: no length is too long.
    std::vector<WCHAR> tampon(260);
    DWORD longueur;
    while ((longueur = GetFinalPathNameByHandleW(fichier, tampon.data(), static_cast<DWORD>(tampon.size()),
                                                 FILE_NAME_NORMALIZED)) >= tampon.size())
        tampon.resize(longueur + 1);
    CloseHandle(fichier);
    if (longueur == 0) return chemin;
    TexteLarge reel(tampon.data(), longueur);
    // "\\?\C:\..." is shown as "C:\...".
    if (reel.compare(0, 4, L"\\\\?\\") == 0 && reel.size() > 6 && reel[5] == L':') reel.erase(0, 4);
    return Etroit(reel.c_str());
#else
    std::filesystem::path reel(chemin);
    std::error_code erreur;
    // As many links as Linux follows itself.
    for (int lien = 0; lien < 40 && std::filesystem::is_symlink(reel, erreur); ++lien) {
        const std::filesystem::path cible = std::filesystem::read_symlink(reel, erreur);
        if (erreur) break;
        reel = cible.is_absolute() ? cible : reel.parent_path() / cible;
    }
    return reel.string();
#endif
}

// Whether a path names something that is no file (a device, a FIFO, a
// pipe): it cannot be replaced, so -o writes to it, as a shell would.
bool EstPeripherique(const std::string& chemin) {
#if defined(_WIN32)
    const HANDLE ouvert = CreateFileW(Large(chemin).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ouvert == INVALID_HANDLE_VALUE) return false;
    const bool peripherique = GetFileType(ouvert) != FILE_TYPE_DISK;
    CloseHandle(ouvert);
    return peripherique;
#else
    struct stat etat;
    return stat(chemin.c_str(), &etat) == 0 && !S_ISREG(etat.st_mode) && !S_ISDIR(etat.st_mode);
#endif
}

#if !defined(_WIN32)
// The temporary file being written, for a signal that ends the tool to
// remove: an interrupted translation leaves nothing behind.
const char* volatile temporaireEnCours = nullptr;
constexpr int signauxFin[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void EffacerSurSignal(int signal) {
    if (temporaireEnCours != nullptr) unlink(temporaireEnCours);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

// A named output file appears whole or not at all: written beside it under
// a temporary name, put in its place once complete, keeping the replaced
// file's permissions (on Windows, its ACL and attributes too). A device or
// a FIFO is written to directly.
class FichierSortie {
public:
    explicit FichierSortie(const std::string& chemin)
        : direct_(EstPeripherique(chemin)), chemin_(direct_ ? chemin : CheminReel(chemin)),
          temporaire_(chemin_ + ".lexigarde-" + std::to_string(Pid())) {
        std::error_code erreur;
        // Said before any work, as for an input: replacing it would fail at the end.
        if (std::filesystem::is_directory(Chemin(chemin_), erreur))
            throw Erreur(chemin_ + ": is a directory");
        if (direct_) {
            flux_ = Ouvrir(chemin_, "wb");
            if (flux_ == nullptr) throw Erreur("cannot open " + chemin_ + ": " + std::strerror(errno));
            return;
        }
        // Created, never opened: a name someone else took (a link planted
        // there above all) is passed over for the next one.
        for (int essai = 1; (flux_ = CreerNouveau(temporaire_)) == nullptr && errno == EEXIST && essai < 100;
             ++essai)
            temporaire_ = chemin_ + ".lexigarde-" + std::to_string(Pid()) + "-" + std::to_string(essai);
        if (flux_ == nullptr) throw Erreur("cannot create " + temporaire_ + ": " + std::strerror(errno));
#if !defined(_WIN32)
        struct stat remplace;
        // Its owner too, where allowed (root replacing a user's file would
        // otherwise take it from them); before the mode, which a change of
        // owner may clear.
        if (stat(chemin_.c_str(), &remplace) == 0) {
            [[maybe_unused]] const int proprietaire = fchown(fileno(flux_), remplace.st_uid, remplace.st_gid);
            fchmod(fileno(flux_), remplace.st_mode & 07777);
        }
        temporaireEnCours = temporaire_.c_str();
        struct sigaction action = {};
        action.sa_handler = EffacerSurSignal;
        for (std::size_t i = 0; i < std::size(signauxFin); ++i) {
            sigaction(signauxFin[i], nullptr, &anciennes_[i]);
            // A signal the caller ignores (nohup, a background job) stays ignored.
            if (anciennes_[i].sa_handler != SIG_IGN) sigaction(signauxFin[i], &action, nullptr);
        }
#endif
    }
    ~FichierSortie() {
        if (flux_ != nullptr) std::fclose(flux_);
        if (direct_) return;
        if (flux_ != nullptr) Effacer();
#if !defined(_WIN32)
        for (std::size_t i = 0; i < std::size(signauxFin); ++i) sigaction(signauxFin[i], &anciennes_[i], nullptr);
        temporaireEnCours = nullptr;
#endif
    }
    std::FILE* Flux() const { return flux_; }
    // On Windows a file still open cannot be replaced: the caller has
    // closed the inputs, which may include the file this replaces.
    void Valider() {
        const bool ferme = std::fclose(flux_) == 0;
        flux_ = nullptr;
        if (direct_ && !ferme) throw Erreur("cannot write " + chemin_ + ": " + std::strerror(errno));
        if (direct_) return;
        std::error_code erreur;
#if defined(_WIN32)
        // ReplaceFileW keeps what the replaced file had (ACL, attributes,
        // streams); a new file has nothing to keep.
        const TexteLarge cible = Large(chemin_), temporaire = Large(temporaire_);
        const bool existe = GetFileAttributesW(cible.c_str()) != INVALID_FILE_ATTRIBUTES;
        bool remplace =
            ferme && (existe ? ReplaceFileW(cible.c_str(), temporaire.c_str(), nullptr, 0, nullptr, nullptr)
                             : MoveFileExW(temporaire.c_str(), cible.c_str(), MOVEFILE_REPLACE_EXISTING));
        // This failure has removed the replaced file already: the output then
        // takes its name as a new file, or stays where it is, never lost.
        const bool remplaceParti = ferme && !remplace && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
        if (remplaceParti)
            remplace = MoveFileExW(temporaire.c_str(), cible.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (ferme && !remplace) {
            erreur = std::error_code(static_cast<int>(GetLastError()), std::system_category());
            if (remplaceParti)
                throw Erreur("cannot write " + chemin_ + ": the output is left in " + temporaire_);
        }
#else
        if (ferme) std::filesystem::rename(Chemin(temporaire_), Chemin(chemin_), erreur);
#endif
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
    const bool direct_;
    std::string chemin_, temporaire_;
    std::FILE* flux_ = nullptr;
#if !defined(_WIN32)
    struct sigaction anciennes_[std::size(signauxFin)] = {};
#endif
};

// Progress on standard error, for long work (16 MiB) seen on a terminal.
// `total` 0: unknown (a pipe, a device among the inputs), and the bytes done
// are shown alone.
class Progres {
public:
    Progres(std::uint64_t total, bool actif) : total_(total), actif_(actif && EstTerminal(stderr)) {
#if defined(_WIN32)
        // The line is cleared by an escape only where the console takes
        // escapes (Windows 10 and later); elsewhere, by spaces.
        if (actif_ && GetConsoleMode(Console(stderr), &modeConsole_))
            echappements_ =
                SetConsoleMode(Console(stderr), modeConsole_ | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#endif
    }
    ~Progres() {
        if (affiche_) std::fprintf(stderr, echappements_ ? "\r\033[K" : "\r%*s\r", largeur_, "");
#if defined(_WIN32)
        if (echappements_) SetConsoleMode(Console(stderr), modeConsole_);
#endif
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
        // A file that grows while it is read has no total any more.
        if (fait > total_) total_ = 0;
        int largeur = 0;
        if (total_ == 0)
            largeur = std::fprintf(stderr, "\rlexigarde: translating (%llu MiB)",
                                   static_cast<unsigned long long>(fait >> 20));
        else
            largeur = std::fprintf(stderr, "\rlexigarde: translating %3u%% (%llu of %llu MiB)",
                                   static_cast<unsigned>(100 * fait / total_),
                                   static_cast<unsigned long long>(fait >> 20),
                                   static_cast<unsigned long long>(total_ >> 20));
        largeur_ = std::max(largeur_, largeur);
    }
    std::uint64_t total_;
    bool actif_, affiche_ = false;
    // Escapes are for terminals; a Windows console takes them only once asked.
#if defined(_WIN32)
    bool echappements_ = false;
    DWORD modeConsole_ = 0;
#else
    bool echappements_ = true;
#endif
    int largeur_ = 0;
    std::chrono::steady_clock::time_point dernier_;
};

// The size of an open input when it is a file; none when it cannot be known
// (a pipe, a FIFO, a device, standard input or named).
std::optional<std::uint64_t> TailleEntree(std::FILE* flux) {
#if defined(_WIN32)
    struct _stat64 etat;
    if (_fstat64(_fileno(flux), &etat) != 0 || (etat.st_mode & _S_IFMT) != _S_IFREG) return std::nullopt;
#else
    struct stat etat;
    if (fstat(fileno(flux), &etat) != 0 || !S_ISREG(etat.st_mode)) return std::nullopt;
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

} // namespace

void Signaler(const std::string& message) { std::fprintf(stderr, "lexigarde: %s\n", message.c_str()); }

// -- check ------------------------------------------------------------------

int Verifier(Serveur& serveur, const std::vector<std::string>& mots) {
    auto validateur = serveur.CreerValidateur();
    bool tousMotsCles = true;
    auto verifier = [&](const std::string& mot) {
        // The component reads a word up to its NUL: a line holding one is
        // no keyword, and is shown whole. Control bytes are shown as C
        // escapes (\0, \r, \x1B): raw, a CR or an escape sequence would
        // make a terminal show another word than the one checked.
        const std::size_t nul = mot.find('\0');
        bool motCle = false;
        if (nul == std::string::npos) {
            const HRESULT hr = validateur->Valider(mot.c_str(), &motCle);
            if (FAILED(hr)) throw Erreur("Valider failed: " + DecrireHResult(hr));
        }
        std::string ligne;
        for (const char octet : mot) {
            const unsigned char code = static_cast<unsigned char>(octet);
            char echappe[5];
            if (code >= 0x20 && code != 0x7F) ligne += octet;
            else if (code == 0) ligne += "\\0";
            else if (octet == '\r') ligne += "\\r";
            else if (octet == '\t') ligne += "\\t";
            else {
                std::snprintf(echappe, sizeof echappe, "\\x%02X", code);
                ligne += echappe;
            }
        }
        ligne += nul == std::string::npos
                     ? (motCle ? ": keyword\n" : ": not a keyword\n")
                     : ": not a keyword (a NUL byte at offset " + std::to_string(nul) + ")\n";
        std::fwrite(ligne.data(), 1, ligne.size(), stdout);
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
        // A read error ends the lines as the end of input would: only the
        // stream below says which it was.
        if (std::cin.bad() || std::ferror(stdin))
            throw Erreur(std::string("<stdin>: read error: ") + std::strerror(errno));
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
    }
    for (const Entree& entree : ouvertes) {
        const std::optional<std::uint64_t> taille = TailleEntree(entree.flux);
        totalConnu = totalConnu && taille.has_value();
        total += taille.value_or(0);
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

// One DLL's step, run by `etape`: an error is reported and counts as a
// failure, so that the package's other DLLs are still handled.
template <typename Etape> bool Tenter(Etape etape) {
    try {
        return etape();
    } catch (const Erreur& erreur) {
        Signaler(erreur.what());
        return false;
    }
}

int Enregistrer(const std::string& module, bool enregistrer) {
    const char* fonction = enregistrer ? "DllRegisterServer" : "DllUnregisterServer";
    // Each DLL loaded in its turn: one that cannot be (the module itself
    // gone) leaves the others to be handled.
    auto traiter = [&](const std::string& fichier) {
        return Tenter([&] {
            Serveur dll(fichier);
            const HRESULT hr = enregistrer ? dll.Enregistrer() : dll.Desenregistrer();
            std::printf("%s in %s: %s\n", fonction, dll.Origine().c_str(), DecrireHResult(hr).c_str());
            return SUCCEEDED(hr);
        });
    };
    bool reussi = traiter(module);
#if defined(_WIN32)
    // The rest of the package goes with the module when it lies beside it:
    // the proxy/stub for clients in other apartments, the companion for scripts.
    struct Voisin {
        const char *nom, *sansLui;
    };
    const Voisin voisins[] = {
        {"LexigardePS.dll", "clients in other apartments get E_NOINTERFACE"},
        {"LexigardeScript.dll",
         "scripts cannot create Lexigarde.ValidationMotsCles nor Lexigarde.TraductionHTML"}};
    for (const Voisin& voisin : voisins) {
        const std::string fichier = FichierVoisin(module, voisin.nom);
        if (fichier.empty()) {
            std::printf("%s: no %s beside it, so %s\n", module.c_str(), voisin.nom, voisin.sansLui);
            continue;
        }
        reussi = traiter(fichier) && reussi;
    }
#else
    std::printf("(on Linux the registry is the stand-in's, and lasts as long as this process)\n");
#endif
    // Any DLL left undone is an error, as the tool's others are.
    return reussi ? 0 : 2;
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
        // The automation companion's, for scripts (LexigardeScript.dll).
        {"ValidationMotsCles (IValidationMotsCles, for scripts)", "{E8DE71F0-7C92-4B2B-89B6-DF1E5663FD66}",
         "Lexigarde.ValidationMotsCles.1", "Lexigarde.ValidationMotsCles"},
        {"TraductionHTML (ITraductionHTML, for scripts)", "{A6E88509-D294-4510-BDA9-0C7882BC6679}",
         "Lexigarde.TraductionHTML.1", "Lexigarde.TraductionHTML"},
    };
    for (const Classe& classe : classes) {
        const std::string serveur = ServeurDeClasse(classe.clsid);
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
        {"IValidationMotsCles", "{F81F5460-D93D-49DA-ADE8-E4F482785B16}"},
        {"ITraductionHTML", "{897ACB0C-C033-49A1-9897-64D6EC879429}"},
    };
    std::printf("\nProxy/stub (for clients in other apartments, such as multithreaded ones)\n");
    for (const Interface& declaree : interfaces) {
        const std::string classe =
            LireRegistre(std::string("Interface\\") + declaree.iid + "\\ProxyStubClsid32");
        const std::string serveur = classe.empty() ? "" : ServeurDeClasse(classe);
        std::printf("  %-20s registered: %s\n", (std::string(declaree.nom) + ":").c_str(),
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
