#include "support/essais.h"

#include <stdexcept>

#if defined(_WIN32)
TexteLarge DossierDuProgramme() {
    WCHAR chemin[32768] = {};
    GetModuleFileNameW(nullptr, chemin, 32768);
    TexteLarge texte(chemin);
    return texte.substr(0, texte.find_last_of(L"\\/") + 1);
}
#else
#include <unistd.h>
TexteLarge DossierDuProgramme() {
    char chemin[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    std::string texte(chemin, n > 0 ? static_cast<size_t>(n) : 0);
    texte = texte.substr(0, texte.rfind('/') + 1);
    // The test folders are ASCII; widen byte by byte.
    return TexteLarge(texte.begin(), texte.end());
}
#endif

ModuleLexigarde::ModuleLexigarde(const TexteLarge& chemin) : module_(LoadLibraryW(chemin.c_str())) {
    if (module_ == nullptr) throw std::runtime_error("Lexigarde.dll could not be loaded");
    getClassObject_ = Export<PFN_DllGetClassObject>("DllGetClassObject");
    canUnloadNow_ = Export<PFN_DllCanUnloadNow>("DllCanUnloadNow");
    if (getClassObject_ == nullptr || canUnloadNow_ == nullptr)
        throw std::runtime_error("Lexigarde.dll lacks an entry point");
}

ModuleLexigarde::~ModuleLexigarde() { FreeLibrary(module_); }

FARPROC ModuleLexigarde::Adresse(const char* nom) const { return GetProcAddress(module_, nom); }

ModuleLexigarde* ClientLexigarde::module_ = nullptr;

void ClientLexigarde::SetUpTestSuite() { module_ = new ModuleLexigarde(); }

void ClientLexigarde::TearDownTestSuite() {
    delete module_;
    module_ = nullptr;
}

void ClientLexigarde::SetUp() { ASSERT_HR(S_OK, Module().DllCanUnloadNow()); }

void ClientLexigarde::TearDown() {
    EXPECT_HR(S_OK, Module().DllCanUnloadNow()) << "a test left an object or a lock behind";
}
