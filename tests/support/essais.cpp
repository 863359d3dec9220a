#include "support/essais.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

void PrintTo(const Hr& hr, std::ostream* flux) {
    char texte[16];
    std::snprintf(texte, sizeof texte, "0x%08X", static_cast<unsigned>(hr.valeur));
    *flux << texte;
}

TexteLarge Large(const std::string& texte) {
    const auto* octets = reinterpret_cast<const unsigned char*>(texte.data()); // no sign extension
    return TexteLarge(octets, octets + texte.size());
}

#if defined(_WIN32)
TexteLarge DossierDuProgramme() {
    WCHAR chemin[32768] = {};
    const TexteLarge texte(chemin, GetModuleFileNameW(nullptr, chemin, 32768));
    return texte.substr(0, texte.find_last_of(L"\\/") + 1);
}
#else
#include <filesystem>
TexteLarge DossierDuProgramme() {
    return Large(std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/");
}
#endif

ModuleLexigarde::ModuleLexigarde(const TexteLarge& chemin) : module_(LoadLibraryW(chemin.c_str())) {
    if (module_ == nullptr || GetProcAddress(module_, "DllGetClassObject") == nullptr)
        throw std::runtime_error("Lexigarde.dll could not be loaded");
}

void* ModuleLexigarde::Creer(REFCLSID clsid, REFIID iid) const {
    IClassFactory* fabrique = nullptr;
    void* objet = nullptr;
    if (FAILED(DllGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&fabrique))))
        return nullptr;
    fabrique->CreateInstance(nullptr, iid, &objet);
    fabrique->Release();
    return objet;
}

void ClientLexigarde::SetUp() {
    ASSERT_HR(S_OK, Module().DllCanUnloadNow());
#if !defined(_WIN32)
    refus_ = PlateformeAppelsRefuses();
#endif
}

// On Linux the stand-in also counts keys left open, and calls Win32 would
// refuse and forget (a key closed twice, a mutex released by a stranger).
void ClientLexigarde::TearDown() {
    EXPECT_HR(S_OK, Module().DllCanUnloadNow()) << "a test left an object or a lock behind";
#if !defined(_WIN32)
    EXPECT_EQ(0u, PlateformeClesOuvertes()) << "a key was left open";
    EXPECT_EQ(refus_, PlateformeAppelsRefuses()) << "a handle was misused";
#endif
}

std::vector<std::string> Arborescence(const std::string& cle) {
    std::vector<std::string> lignes;
    HKEY ouverte = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Large(cle).c_str(), 0, KEY_READ, &ouverte) == ERROR_SUCCESS) {
        LireRegistre(ouverte, Majuscules(cle), lignes);
        RegCloseKey(ouverte);
    }
    std::sort(lignes.begin(), lignes.end());
    return lignes;
}

std::vector<std::string> Enregistre() {
    std::vector<std::string> lignes;
    for (const char* arbre : arbresDesClasses) {
        const auto arborescence = Arborescence(arbre);
        lignes.insert(lignes.end(), arborescence.begin(), arborescence.end());
    }
    std::sort(lignes.begin(), lignes.end());
    return lignes;
}

void ViderRegistreEssai() {
#if !defined(_WIN32)
    PlateformeViderRegistre();
#endif
}
