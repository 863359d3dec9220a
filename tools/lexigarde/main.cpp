// lexigarde: the command-line client of Lexigarde.dll. It checks words
// against the keywords of C++98 and turns Latin-1 text into HTML, using the
// components only through their interfaces, and registers the server.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

#include "commandes.h"

namespace {

constexpr int sortieErreur = 2;

int Executer(int argc, char** argv) {
#if defined(_WIN32)
    // Bytes in, bytes out: no CR/LF translation.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    CLI::App app{"lexigarde: checks C++98 keywords and turns Latin-1 text into HTML, through Lexigarde.dll."};
    app.require_subcommand(1);
    app.set_version_flag("--version", "lexigarde " LEXIGARDE_VERSION);
    std::string module;
#if defined(_WIN32)
    const char* aideModule =
        "Lexigarde.dll file to load and use directly (default: COM, through the registry)";
#else
    const char* aideModule = "Lexigarde.dll file to load (default: the one beside this tool)";
#endif
    app.add_option("-m,--module", module, aideModule);
#if defined(_WIN32)
    bool registre = false;
    app.add_flag(
        "--registry", registre,
        "Reach the components through the registry even when Lexigarde.manifest lies beside the tool");
#endif

    std::vector<std::string> mots;
    auto* check = app.add_subcommand("check", "Say for each word whether it is a C++98 keyword. Exit status: "
                                              "0 when all are, 1 when one is not, 2 on error.");
    check->add_option("words", mots, "Words to check (default: one per line of standard input)");

    OptionsTraduction traduction;
    auto* translate = app.add_subcommand("translate", "Write Latin-1 text as HTML text on standard output.");
    translate->add_option("files", traduction.fichiers, "Input files, '-' for standard input (default)");
    translate->add_option("-o,--output", traduction.sortie, "Write to this file (whole or not at all)");
    translate->add_flag("--utf8", traduction.utf8,
                        "Read UTF-8: characters up to U+00FF go through the component, later ones "
                        "become numeric references; invalid UTF-8 is an error");
    translate->add_flag("--strict", traduction.strict,
                        "Make characters with no HTML text an error (exit status 2)");
    translate->add_flag("!--no-progress", traduction.progres, "Never show progress on standard error");

    auto* reg =
        app.add_subcommand("register", "Register the classes (DllRegisterServer), and on Windows the "
                                       "LexigardePS.dll and LexigardeScript.dll beside the module, and "
                                       "report each result. Exit status: 0 when each succeeded, 2 when "
                                       "one did not.");
    auto* unreg =
        app.add_subcommand("unregister", "Unregister the classes (DllUnregisterServer), and on Windows "
                                         "the LexigardePS.dll and LexigardeScript.dll beside the module, "
                                         "and report each result. Exit status: 0 when each succeeded, 2 "
                                         "when one did not.");
    auto* status = app.add_subcommand(
        "status", "Show the module, the class identifiers and ProgIDs, and what the registry says of "
                  "them and of the proxy/stub.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& erreur) {
        const int code = app.exit(erreur);
        return code == 0 ? 0 : sortieErreur;
    }

    try {
#if defined(_WIN32)
        std::string activation = "the file " + module;
        // Registering needs a file: the one named, or the one beside the tool.
        if ((reg->parsed() || unreg->parsed()) && module.empty()) module = ModuleVoisin();
        // Registration-free when the assembly's manifest lies beside the
        // tool, activated here, before COM is first asked for a class.
        std::unique_ptr<ContexteActivation> contexte;
        if (module.empty() && !registre) contexte = std::make_unique<ContexteActivation>();
        if (module.empty())
            activation = contexte && contexte->Actif()
                             ? "COM, registration-free through " + contexte->Manifeste()
                             : "COM, through the registry (CoCreateInstance by ProgID)";
#else
        const std::string activation = module.empty() ? ModuleVoisin() : module;
#endif
        if (status->parsed()) return Etat(activation);
        if (reg->parsed() || unreg->parsed()) return Enregistrer(module, reg->parsed());
#if defined(_WIN32)
        Serveur serveur(module, contexte && contexte->Actif() ? contexte->Manifeste() : "");
#else
        Serveur serveur(module);
#endif
        if (check->parsed()) return Verifier(serveur, mots);
        if (translate->parsed()) return Traduire(serveur, traduction);
    } catch (const Erreur& erreur) {
        Signaler(erreur.what());
    } catch (const std::exception& erreur) {
        Signaler(std::string("unexpected error: ") + erreur.what());
    }
    return sortieErreur;
}

// Whatever the subcommand (help and --version included), output that could
// not be written is an error: the answer never reached its reader.
int Principal(int argc, char** argv) {
#if !defined(_WIN32)
    // A standard stream the caller closed gets /dev/null opened the wrong
    // way: using it still fails, and no file the tool opens (the output
    // above all) takes its number, to receive messages meant for it.
    for (int descripteur = 0; descripteur <= 2; ++descripteur)
        if (fcntl(descripteur, F_GETFD) == -1 && errno == EBADF)
            open("/dev/null", descripteur == 0 ? O_WRONLY : O_RDONLY);
#endif
    const int statut = Executer(argc, argv);
    std::cout.flush();
    const bool ecrit = std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good();
    if (ecrit || statut == sortieErreur) return statut;
    Signaler("cannot write standard output");
    return sortieErreur;
}

} // namespace

#if defined(_WIN32)
// Windows gives the arguments whole only in UTF-16 (the narrow ones are in
// the ANSI code page, which cannot carry every name); the tool works on UTF-8.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(Etroit(argv[i]));
    std::vector<char*> pointeurs;
    for (std::string& argument : arguments) pointeurs.push_back(&argument[0]);
    pointeurs.push_back(nullptr);
    return Principal(argc, pointeurs.data());
}
#else
int main(int argc, char** argv) { return Principal(argc, argv); }
#endif
