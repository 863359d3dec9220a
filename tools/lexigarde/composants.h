// How the tool reaches the components: only as any client does, through
// their interfaces.
#ifndef LEXIGARDE_OUTIL_COMPOSANTS_H
#define LEXIGARDE_OUTIL_COMPOSANTS_H

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "lexigarde.h"
#include "plateforme.h"

// An error the tool reports as "lexigarde: <message>" with exit status 2.
struct Erreur : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The tool's text is UTF-8; the platform's wide calls take UTF-16.
using TexteLarge = std::basic_string<WCHAR>;
TexteLarge Large(const std::string& texte); // throws Erreur on bytes that are not UTF-8 (Windows)
std::string Etroit(const WCHAR* texte);
// A file named in UTF-8, as the platform's file calls want it.
std::filesystem::path Chemin(const std::string& utf8);
std::FILE* Ouvrir(const std::string& utf8, const char* mode);
// A file that did not exist, for writing: null with errno EEXIST when the
// name is taken, by a file or a link, which is never written through.
std::FILE* CreerNouveau(const std::string& utf8);

// "0x80040111 (CLASS_E_CLASSNOTAVAILABLE: class not available)".
std::string DecrireHResult(HRESULT hr);

// Holds a COM interface pointer, released when it goes.
template <class Interface>
class Reference {
public:
    Reference() = default;
    explicit Reference(Interface* p) : p_(p) {}
    ~Reference() {
        if (p_) p_->Release();
    }
    Reference(Reference&& autre) noexcept : p_(autre.p_) { autre.p_ = nullptr; }
    Reference& operator=(Reference&&) = delete;
    Interface* operator->() const { return p_; }
    Interface* get() const { return p_; }
    void** Sortie() { return reinterpret_cast<void**>(&p_); }

private:
    Interface* p_ = nullptr;
};

// The server: a Lexigarde.dll file loaded by the tool, or (on Windows, when
// no file is named) whatever COM finds through the registry.
class Serveur {
public:
    // `fichier` empty: COM on Windows, the Lexigarde.dll beside the tool on
    // Linux; `manifeste`: the assembly manifest COM then goes through, if any.
    explicit Serveur(const std::string& fichier, const std::string& manifeste = "");
    ~Serveur();
    Serveur(const Serveur&) = delete;
    Serveur& operator=(const Serveur&) = delete;

    Reference<IValiderMotsCles> CreerValidateur();
    Reference<ITraduireASCIIMeta> CreerTraducteur();

    // The loaded file's exports; throws Erreur when the file lacks one or
    // the server comes through COM.
    HRESULT Enregistrer();
    HRESULT Desenregistrer();

    // Where the server comes from, for people.
    std::string Origine() const;
    bool ParCom() const { return module_ == nullptr; }

private:
    void* Export(const char* nom) const;
    // A new object of the class, holding the interface asked for.
    void* Creer(REFCLSID clsid, const char* progId, REFIID iid);

    HMODULE module_ = nullptr;
    std::string chemin_;
    [[maybe_unused]] bool comInitialise_ = false; // used on Windows only
    std::string manifeste_;
};

// The default value of a key below HKEY_CLASSES_ROOT, "" when it has none.
std::string LireRegistre(const std::string& cle);
// The server file the registry names for a class ("{...}"), "" when none.
std::string ServeurDeClasse(const std::string& clsid);

// The Lexigarde.dll beside the running tool.
std::string ModuleVoisin();

#if defined(_WIN32)
// The file `nom` of the package (LexigardePS.dll, LexigardeScript.dll) in the
// folder of `module`, or "" when there is none.
std::string FichierVoisin(const std::string& module, const char* nom);

// Registration-free COM: when Lexigarde.manifest lies beside the tool, its
// assembly's context is active while this lives, and COM finds the classes
// there before the registry. The manifest is not a static dependency of the
// tool's own: that would stop the tool from starting where it is missing.
class ContexteActivation {
public:
    ContexteActivation(); // throws Erreur when the manifest is there but unusable
    ~ContexteActivation();
    ContexteActivation(const ContexteActivation&) = delete;
    ContexteActivation& operator=(const ContexteActivation&) = delete;

    bool Actif() const { return contexte_ != INVALID_HANDLE_VALUE; }
    const std::string& Manifeste() const { return manifeste_; }

private:
    HANDLE contexte_ = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie_ = 0;
    std::string manifeste_;
};
#endif

#endif
