#include "composants.h"

#include <cstdio>
#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

using TexteLarge = std::basic_string<WCHAR>;

// Paths on the command line are in the C library's narrow encoding; the
// platform wants UTF-16. ASCII and Latin-1 are taken byte for byte, UTF-8
// multi-byte sequences decoded (Linux file names are UTF-8).
TexteLarge Elargir(const std::string& texte) {
    TexteLarge large;
    for (size_t i = 0; i < texte.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(texte[i]);
        if (c >= 0xC2 && c <= 0xDF && i + 1 < texte.size() && (texte[i + 1] & 0xC0) == 0x80) {
            large.push_back(static_cast<WCHAR>(((c & 0x1F) << 6) | (texte[i + 1] & 0x3F)));
            ++i;
        } else {
            large.push_back(c);
        }
    }
    return large;
}

std::string Retrecir(const WCHAR* texte) {
    std::string etroit;
    for (; *texte; ++texte) {
        const unsigned c = *texte;
        if (c < 0x80) {
            etroit.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            etroit.push_back(static_cast<char>(0xC0 | (c >> 6)));
            etroit.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            etroit.push_back(static_cast<char>(0xE0 | (c >> 12)));
            etroit.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            etroit.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return etroit;
}

} // namespace

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

#if defined(_WIN32)
namespace {

// The folder of the running tool, with its final separator.
TexteLarge DossierOutil() {
    WCHAR chemin[32768] = {};
    GetModuleFileNameW(nullptr, chemin, 32768);
    TexteLarge texte(chemin);
    return texte.substr(0, texte.find_last_of(L"\\/") + 1);
}

} // namespace

ContexteActivation::ContexteActivation() {
    const TexteLarge dossier = DossierOutil();
    const TexteLarge manifeste = dossier + L"Lexigarde.manifest";
    if (GetFileAttributesW(manifeste.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    manifeste_ = Retrecir(manifeste.c_str());
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
    return Retrecir((DossierOutil() + L"Lexigarde.dll").c_str());
#else
    char chemin[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    std::string texte(chemin, n > 0 ? static_cast<size_t>(n) : 0);
    return texte.substr(0, texte.rfind('/') + 1) + "Lexigarde.dll";
#endif
}

#if defined(_WIN32)
std::string ProxyVoisin(const std::string& module) {
    const std::string proxy = module.substr(0, module.find_last_of("\\/") + 1) + "LexigardePS.dll";
    const DWORD attributs = GetFileAttributesW(Elargir(proxy).c_str());
    return attributs != INVALID_FILE_ATTRIBUTES && !(attributs & FILE_ATTRIBUTE_DIRECTORY) ? proxy : "";
}
#endif

Serveur::Serveur(const std::string& fichier) {
#if defined(_WIN32)
    if (fichier.empty()) {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(hr)) throw Erreur("COM could not be initialised: " + DecrireHResult(hr));
        comInitialise_ = true;
        return;
    }
#endif
    chemin_ = fichier.empty() ? ModuleVoisin() : fichier;
    module_ = LoadLibraryW(Elargir(chemin_).c_str());
    if (module_ == nullptr)
        throw Erreur("cannot load " + chemin_ + " (error " + std::to_string(GetLastError()) + ")");
    WCHAR complet[32768] = {};
    if (GetModuleFileNameW(module_, complet, 32768) > 0) chemin_ = Retrecir(complet);
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
        if (FAILED(CLSIDFromProgID(Elargir(progId).c_str(), &trouve))) trouve = clsid;
        hr = CoCreateInstance(trouve, nullptr, CLSCTX_INPROC_SERVER, iid, &objet);
        if (FAILED(hr))
            throw Erreur(std::string("COM cannot create ") + progId + ": " + DecrireHResult(hr) +
                         "; put Lexigarde.manifest beside lexigarde.exe, register Lexigarde.dll "
                         "('lexigarde register' or regsvr32), or name it with --module");
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
