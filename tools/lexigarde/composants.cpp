#include "composants.h"

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

// The platform's own conversions: the tool's text is UTF-8 throughout.
TexteLarge Large(const std::string& texte) {
#if defined(_WIN32)
    if (texte.empty()) return TexteLarge();
    const int taille = static_cast<int>(texte.size());
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, texte.data(), taille, nullptr, 0);
    if (n == 0) throw Erreur("not UTF-8: " + texte);
    TexteLarge large(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, texte.data(), taille, &large[0], n);
    return large;
#else
    // Linux file names are bytes, taken as UTF-8 by the standard library.
    return std::filesystem::path(texte).u16string();
#endif
}

std::string Etroit(const WCHAR* texte) {
#if defined(_WIN32)
    const int n = WideCharToMultiByte(CP_UTF8, 0, texte, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string etroit(static_cast<size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, texte, -1, &etroit[0], n, nullptr, nullptr);
    return etroit;
#else
    return std::filesystem::path(std::u16string(texte)).string();
#endif
}

std::filesystem::path Chemin(const std::string& utf8) {
#if defined(_WIN32)
    return std::filesystem::path(Large(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}

std::FILE* Ouvrir(const std::string& utf8, const char* mode) {
#if defined(_WIN32)
    return _wfopen(Large(utf8).c_str(), Large(mode).c_str());
#else
    return std::fopen(utf8.c_str(), mode);
#endif
}

std::FILE* CreerNouveau(const std::string& utf8) {
#if defined(_WIN32)
    const int descripteur =
        _wopen(Large(utf8).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    return descripteur == -1 ? nullptr : _fdopen(descripteur, "wb");
#else
    const int descripteur = open(utf8.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return descripteur == -1 ? nullptr : fdopen(descripteur, "wb");
#endif
}

std::string DecrireHResult(HRESULT hr) {
    struct Connu {
        HRESULT hr;
        const char* nom;
        const char* sens;
    };
    static const Connu connus[] = {
        {S_OK, "S_OK", "success"},
        {S_FALSE, "S_FALSE", "success, with a negative answer"},
        {E_NOINTERFACE, "E_NOINTERFACE", "interface not supported"},
        {E_POINTER, "E_POINTER", "null pointer"},
        {E_FAIL, "E_FAIL", "unspecified failure"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY", "out of memory"},
        {E_INVALIDARG, "E_INVALIDARG", "invalid argument"},
        {static_cast<HRESULT>(0x80070005), "E_ACCESSDENIED",
         "access denied (registering needs administrator rights)"},
        {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION", "the class cannot be aggregated"},
        {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE", "class not available from this module"},
        {static_cast<HRESULT>(0x80040154), "REGDB_E_CLASSNOTREG", "class not registered"},
        {static_cast<HRESULT>(0x800401F3), "CO_E_CLASSSTRING", "ProgID not registered"},
        {SELFREG_E_CLASS, "SELFREG_E_CLASS", "a class could not be (un)registered"},
    };
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(hr));
    for (const Connu& connu : connus)
        if (connu.hr == hr) return std::string(hex) + " (" + connu.nom + ": " + connu.sens + ")";
    return std::string(hex) + (FAILED(hr) ? " (failure)" : " (success)");
}

std::string LireRegistre(const std::string& cle) {
    HKEY ouverte = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Large(cle).c_str(), 0, KEY_READ, &ouverte) != ERROR_SUCCESS) return "";
    // Asked again with room for the size given, until the text fits (a
    // server's path has no length limit).
    TexteLarge valeur;
    DWORD type = 0, taille = 0;
    LONG resultat;
    do {
        valeur.assign(taille / sizeof(WCHAR) + 1, 0); // and a NUL of ours
        taille = static_cast<DWORD>((valeur.size() - 1) * sizeof(WCHAR));
        resultat =
            RegQueryValueExW(ouverte, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&valeur[0]), &taille);
    } while (resultat == ERROR_MORE_DATA);
    RegCloseKey(ouverte);
    if (resultat != ERROR_SUCCESS || type != REG_SZ) return "";
    return Etroit(valeur.c_str());
}

std::string ServeurDeClasse(const std::string& clsid) {
    return LireRegistre("CLSID\\" + clsid + "\\InprocServer32");
}

namespace {

// A module's file (null: the tool's), in a buffer grown until it fits.
TexteLarge CheminDuModule(HMODULE module) {
    for (DWORD taille = 256;; taille *= 2) {
        TexteLarge chemin(taille, 0);
        const DWORD longueur = GetModuleFileNameW(module, &chemin[0], taille);
        if (longueur < taille) return chemin.substr(0, longueur);
    }
}

} // namespace

#if defined(_WIN32)
namespace {

// The folder of the running tool, with its final separator.
TexteLarge DossierOutil() {
    const TexteLarge texte = CheminDuModule(nullptr);
    return texte.substr(0, texte.find_last_of(L"\\/") + 1);
}

} // namespace

ContexteActivation::ContexteActivation() {
    const TexteLarge dossier = DossierOutil();
    const TexteLarge manifeste = dossier + L"Lexigarde.manifest";
    if (GetFileAttributesW(manifeste.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    manifeste_ = Etroit(manifeste.c_str());
    ACTCTXW description = {};
    description.cbSize = sizeof description;
    description.dwFlags = ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID;
    description.lpSource = manifeste.c_str();
    description.lpAssemblyDirectory = dossier.c_str();
    contexte_ = CreateActCtxW(&description);
    if (contexte_ == INVALID_HANDLE_VALUE)
        throw Erreur("cannot use " + manifeste_ + " (error " + std::to_string(GetLastError()) + ")");
    if (!ActivateActCtx(contexte_, &cookie_)) {
        const DWORD erreur = GetLastError();
        ReleaseActCtx(contexte_);
        contexte_ = INVALID_HANDLE_VALUE;
        throw Erreur("cannot activate " + manifeste_ + " (error " + std::to_string(erreur) + ")");
    }
}

ContexteActivation::~ContexteActivation() {
    if (!Actif()) return;
    DeactivateActCtx(0, cookie_);
    ReleaseActCtx(contexte_);
}
#endif

std::string ModuleVoisin() {
#if defined(_WIN32)
    return Etroit((DossierOutil() + L"Lexigarde.dll").c_str());
#else
    std::error_code erreur;
    const std::string texte = std::filesystem::read_symlink("/proc/self/exe", erreur).string();
    return texte.substr(0, texte.rfind('/') + 1) + "Lexigarde.dll";
#endif
}

#if defined(_WIN32)
std::string FichierVoisin(const std::string& module, const char* nom) {
    const std::string fichier = module.substr(0, module.find_last_of("\\/") + 1) + nom;
    const DWORD attributs = GetFileAttributesW(Large(fichier).c_str());
    return attributs != INVALID_FILE_ATTRIBUTES && !(attributs & FILE_ATTRIBUTE_DIRECTORY) ? fichier : "";
}
#endif

Serveur::Serveur(const std::string& fichier, const std::string& manifeste) : manifeste_(manifeste) {
#if defined(_WIN32)
    if (fichier.empty()) {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(hr)) throw Erreur("COM could not be initialised: " + DecrireHResult(hr));
        comInitialise_ = true;
        return;
    }
#endif
    chemin_ = fichier.empty() ? ModuleVoisin() : fichier;
    // A name alone is the current folder's file, as for any file the tool is
    // given, not one the system's library search finds first.
    std::error_code erreur;
    std::filesystem::path absolu = std::filesystem::absolute(Chemin(chemin_), erreur);
    if (erreur) absolu = Chemin(chemin_);
#if defined(_WIN32)
    module_ = LoadLibraryW(absolu.c_str());
#else
    module_ = LoadLibraryW(Large(absolu.string()).c_str());
#endif
    if (module_ == nullptr)
        throw Erreur("cannot load " + chemin_ + " (error " + std::to_string(GetLastError()) + ")");
    const TexteLarge complet = CheminDuModule(module_);
    if (!complet.empty()) chemin_ = Etroit(complet.c_str());
    if (Export("DllGetClassObject") == nullptr)
        throw Erreur(chemin_ + " is not a COM server: it has no DllGetClassObject");
}

Serveur::~Serveur() {
    if (module_ != nullptr) FreeLibrary(module_);
#if defined(_WIN32)
    if (comInitialise_) CoUninitialize();
#endif
}

void* Serveur::Export(const char* nom) const {
    if (module_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(module_, nom));
}

std::string Serveur::Origine() const { return ParCom() ? "COM, through the registry" : chemin_; }

void* Serveur::Creer(REFCLSID clsid, const char* progId, REFIID iid) {
    void* objet = nullptr;
    HRESULT hr;
    if (ParCom()) {
#if defined(_WIN32)
        // An unknown ProgID says nothing of the class: the class itself is
        // then asked for, so that the error is the registry's own about it.
        CLSID trouve{};
        if (FAILED(CLSIDFromProgID(Large(progId).c_str(), &trouve))) trouve = clsid;
        hr = CoCreateInstance(trouve, nullptr, CLSCTX_INPROC_SERVER, iid, &objet);
        if (FAILED(hr)) {
            // A server file that is gone: COM does not say so (0x8007007E on
            // Windows, E_ACCESSDENIED under Wine); the manifest, which comes
            // first, or the registry names it.
            WCHAR texte[39];
            StringFromGUID2(trouve, texte, 39);
            const std::string dossierManifeste = manifeste_.substr(0, manifeste_.find_last_of('\\') + 1);
            const std::string fichier =
                manifeste_.empty() ? ServeurDeClasse(Etroit(texte)) : dossierManifeste + "Lexigarde.dll";
            const bool parti =
                !fichier.empty() && GetFileAttributesW(Large(fichier).c_str()) == INVALID_FILE_ATTRIBUTES;
            std::string conseil = "put Lexigarde.manifest beside lexigarde.exe, register Lexigarde.dll "
                                  "('lexigarde register' or regsvr32), or name it with --module";
            if (parti)
                conseil = (manifeste_.empty() ? "the registry" : manifeste_) + " names " + fichier +
                          ", which is not there";
            throw Erreur(std::string("COM cannot create ") + progId + ": " + DecrireHResult(hr) + "; " +
                         conseil);
        }
        return objet;
#endif
    }
    const auto obtenir = reinterpret_cast<PFN_DllGetClassObject>(
        reinterpret_cast<void (*)(void)>(Export("DllGetClassObject")));
    Reference<IClassFactory> fabrique;
    hr = obtenir(clsid, IID_IClassFactory, fabrique.Sortie());
    if (SUCCEEDED(hr)) hr = fabrique->CreateInstance(nullptr, iid, &objet);
    if (FAILED(hr)) throw Erreur(std::string("cannot create ") + progId + ": " + DecrireHResult(hr));
    return objet;
}

Reference<IValiderMotsCles> Serveur::CreerValidateur() {
    return Reference<IValiderMotsCles>(static_cast<IValiderMotsCles*>(
        Creer(CLSID_Lexigarde, "Composant.Interne.ValidationMotsCles.1", IID_IValiderMotsCles)));
}

Reference<ITraduireASCIIMeta> Serveur::CreerTraducteur() {
    return Reference<ITraduireASCIIMeta>(static_cast<ITraduireASCIIMeta*>(
        Creer(CLSID_TraducteurASCIIMeta, "Composant.Interne.Trad.ASCII.HTML.1", IID_ITraduireASCIIMeta)));
}

HRESULT Serveur::Enregistrer() {
    void* fonction = Export("DllRegisterServer");
    if (fonction == nullptr) throw Erreur(Origine() + " has no DllRegisterServer");
    return reinterpret_cast<PFN_DllRegisterServer>(reinterpret_cast<void (*)(void)>(fonction))();
}

HRESULT Serveur::Desenregistrer() {
    void* fonction = Export("DllUnregisterServer");
    if (fonction == nullptr) throw Erreur(Origine() + " has no DllUnregisterServer");
    return reinterpret_cast<PFN_DllUnregisterServer>(reinterpret_cast<void (*)(void)>(fonction))();
}
