// The package's client (registration-free) and the Windows tests' (after regsvr32): both classes by
// ProgID in each apartment, Lexigarde.tlb's interfaces and the version resources read back, the
// automation companion (automation.cpp). client MODE...
// Both headers a package user may meet: lexigarde.h first here, the other first in valider_en_c.c.
#include "lexigarde.h"
#include "lexigarde_interfaces.h"
#include "support/mots_cles_cpp98.h"

#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

// A method of the wrong calling convention moves its caller's stack pointer (on 32-bit x86).
#define PILE(variable) asm volatile("mov %%esp, %k0" : "=r"(variable))

// Valider and Traduire called from C (valider_en_c.c).
extern "C" HRESULT ValiderEnC(IValiderMotsCles* validateur, const char* mot, bool* reponse);
extern "C" HRESULT TraduireEnC(IUnknown* objet, unsigned char code, ResultatTraduction* resultat);

std::atomic<int> verifications{0};
std::atomic<int> echecs{0};

// One check; a failure names it, with the HRESULT the call gave where there is one.
bool Verifier(bool vrai, const std::string& quoi, HRESULT hr = S_OK) {
    ++verifications;
    if (!vrai) ++echecs;
    if (!vrai) std::printf("FAILED: %s (0x%08lX)\n", quoi.c_str(), static_cast<unsigned long>(hr));
    return vrai;
}
void Automation(); // automation.cpp: LexigardeScript.dll's classes
void AutomationParProxy(); // and early-bound from the MTA

namespace {

bool VerifierHr(HRESULT attendu, HRESULT hr, const std::string& quoi) { return Verifier(hr == attendu, quoi, hr); }

// Through a manifest Wine's CLSIDFromProgID may give another identifier of the class: only used.
template <class Interface>
Interface* Creer(const wchar_t* progId, HRESULT attendu) {
    const std::string nom(progId, progId + std::wcslen(progId));
    CLSID clsid{};
    VerifierHr(S_OK, CLSIDFromProgID(progId, &clsid), "CLSIDFromProgID " + nom);
    Interface* objet = nullptr;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&objet));
    VerifierHr(attendu, hr, "CoCreateInstance " + nom);
    return objet;
}

// The method at the fourth slot lies in Lexigarde.dll for the object itself, elsewhere for a proxy.
bool EstDirect(void* objet) {
    MEMORY_BASIC_INFORMATION zone{};
    VirtualQuery((*static_cast<void***>(objet))[3], &zone, sizeof zone);
    return zone.AllocationBase != nullptr && zone.AllocationBase == GetModuleHandleW(L"Lexigarde.dll");
}

// Every keyword answers true, every near miss false, in one byte: the next stays the caller's.
void Repondre(IValiderMotsCles* validateur) {
    const char* const presque[] = {"", "If", "if ", "cons", "consts", "xor", "nullptr", "\xE9t\xE9"};
    for (int n = 0; n < 63 + 8; ++n) {
        const bool motCle = n < 63;
        const char* mot = motCle ? motsClesCpp98[n] : presque[n - 63];
        const std::string quoi = std::string("Valider ") + mot;
        unsigned char reponse[2] = {0xCC, 0xCC};
        unsigned avant;
        unsigned apres;
        PILE(avant);
        const HRESULT hr = validateur->Valider(mot, reinterpret_cast<bool*>(reponse));
        PILE(apres);
        VerifierHr(S_OK, hr, quoi);
        Verifier(reponse[0] == motCle, quoi + ": the answer");
        Verifier(reponse[1] == 0xCC, quoi + ": the byte after the answer");
        Verifier(avant == apres, quoi + ": the stack pointer");
    }
}

// Every byte's translation through a proxy is the object's own (`direct`, null in an STA, where the
// translator is the object), the caller's bytes after the text kept.
void Traduire(ITraduireASCIIMeta* traducteur, ITraduireASCIIMeta* direct) {
    for (int c = 0; c < 256; ++c) {
        const std::string quoi = "Traduire " + std::to_string(c);
        ResultatTraduction recu;
        std::memset(&recu, c ^ 0x5A, sizeof recu);
        ResultatTraduction attendue = recu;
        unsigned avant;
        unsigned apres;
        PILE(avant);
        const HRESULT hr = traducteur->Traduire(c, &recu);
        PILE(apres);
        VerifierHr(S_OK, hr, quoi);
        Verifier(avant == apres, quoi + ": the stack pointer");
        if (direct == nullptr) continue;
        VerifierHr(S_OK, direct->Traduire(c, &attendue), quoi + " in-process");
        Verifier(std::memcmp(&recu, &attendue, sizeof recu) == 0, quoi + ": the record as in-process");
    }
    ResultatTraduction enC{};
    VerifierHr(S_OK, TraduireEnC(traducteur, '<', &enC), "Traduire from C");
    Verifier(std::string(enC.texte, static_cast<size_t>(enC.longueur)) == "&lt;",
             "Traduire from C: the text");
}

// A null word reaches the object, which refuses it and answers false over the caller's true; a null
// answer or record goes no further than a proxy. 32-bit Wine under qemu does not survive the
// exception by which a proxy refuses a null pointer.
void Refuser(IValiderMotsCles* validateur, ITraduireASCIIMeta* traducteur, bool sta, bool emule) {
    bool reponse = true;
    VerifierHr(E_POINTER, ValiderEnC(validateur, nullptr, &reponse), "Valider of a null word");
    Verifier(!reponse, "Valider of a null word answers false");
    if (emule) return;
    const HRESULT nul = sta ? E_POINTER : HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER);
    VerifierHr(nul, validateur->Valider("if", nullptr), "Valider with a null answer");
    VerifierHr(nul, traducteur->Traduire('<', nullptr), "Traduire with a null record");
}

// Each class by each ProgID: in an STA the objects themselves; in the MTA proxies answering as they
// do (E_NOINTERFACE without the proxy/stub).
void Apartement(bool sta, HRESULT attendu) {
    // 32-bit Wine under qemu does not survive the exception of a refused null pointer.
    const bool emule = GetEnvironmentVariableA("LEXIGARDE_EMULATION_I386", nullptr, 0) != 0;
    // Through a proxy, the object itself for reference.
    const HMODULE module = LoadLibraryW(L"Lexigarde.dll");
    ITraduireASCIIMeta* direct = nullptr;
    if (!sta) {
        const auto obtenir = reinterpret_cast<PFN_DllGetClassObject>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
        IClassFactory* fabrique = nullptr;
        obtenir(CLSID_TraducteurASCIIMeta, IID_PPV_ARGS(&fabrique));
        fabrique->CreateInstance(nullptr, IID_PPV_ARGS(&direct));
        fabrique->Release();
    }
    CoInitializeEx(nullptr, sta ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
    const wchar_t* const progIds[2][2] = {
        {L"Composant.Interne.ValidationMotsCles.1", L"Composant.Interne.Trad.ASCII.HTML.1"},
        {L"Composant.Interne.ValidationMotsCles", L"Composant.Interne.Trad.ASCII.HTML"}};
    for (int p = 0; p < 2; ++p) {
        auto* validateur = Creer<IValiderMotsCles>(progIds[p][0], attendu);
        auto* traducteur = Creer<ITraduireASCIIMeta>(progIds[p][1], attendu);
        if (validateur == nullptr || traducteur == nullptr) continue;
        Verifier(EstDirect(validateur) == sta, sta ? "the validator itself" : "a proxy of the validator");
        Verifier(EstDirect(traducteur) == sta, sta ? "the translator itself" : "a proxy of the translator");
        Repondre(validateur);
        Traduire(traducteur, direct);
        Refuser(validateur, traducteur, sta, emule);
        Verifier(validateur->Release() == 0, "the validator released");
        Verifier(traducteur->Release() == 0, "the translator released");
    }
    if (direct) direct->Release();
    FreeLibrary(module);
    if (!sta && attendu == S_OK) AutomationParProxy();
    CoUninitialize();
}

// The build's files: Lexigarde.tlb holds both interfaces (their layout is the IDL's, which calls through
// the proxy/stub prove); every binary's resources give the build's one version.
void Fichiers() {
    ITypeLib* tlb = nullptr;
    if (VerifierHr(S_OK, LoadTypeLibEx(L"Lexigarde.tlb", REGKIND_NONE, &tlb), "LoadTypeLibEx")) {
        const std::pair<IID, std::string> interfaces[] = {
            {__uuidof(IValiderMotsCles), "IValiderMotsCles"},
            {__uuidof(ITraduireASCIIMeta), "ITraduireASCIIMeta"}};
        for (const auto& [iid, nom] : interfaces) {
            ITypeInfo* info = nullptr;
            const HRESULT hr = tlb->GetTypeInfoOfGuid(iid, &info);
            if (VerifierHr(S_OK, hr, nom + " in Lexigarde.tlb")) info->Release();
        }
        tlb->Release();
    }
    for (const std::wstring fichier : {L"Lexigarde.dll", L"lexigarde.exe", L"LexigardePS.dll"}) {
        const std::string nomFichier(fichier.begin(), fichier.end());
        std::string bloc(GetFileVersionInfoSizeW(fichier.c_str(), nullptr) + 1, '\0');
        const bool lu = GetFileVersionInfoW(fichier.c_str(), 0, bloc.size(), &bloc[0]);
        if (!Verifier(lu, "the version resource of " + nomFichier)) continue;
        const std::pair<std::wstring, std::wstring> valeurs[] = {{L"FileVersion", L"" VERSION_LEXIGARDE},
                                                                 {L"ProductName", L"Lexigarde"},
                                                                 {L"OriginalFilename", fichier}};
        for (const auto& [nom, attendue] : valeurs) {
            void* texte = nullptr;
            UINT taille = 0;
            VerQueryValueW(&bloc[0], (L"\\StringFileInfo\\040904B0\\" + nom).c_str(), &texte, &taille);
            const std::wstring valeur = texte ? static_cast<const wchar_t*>(texte) : L"";
            Verifier(valeur == attendue, std::string(nom.begin(), nom.end()) + " of " + nomFichier);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // every line out, should the process die
    const std::pair<std::string, void (*)()> modes[] = {{"sta", [] { Apartement(true, S_OK); }},
                                                        {"sans-proxy", [] { Apartement(false, E_NOINTERFACE); }},
                                                        {"mta", [] { Apartement(false, S_OK); }},
                                                        {"fichiers", Fichiers},
                                                        {"automation", Automation}};
    for (int i = 1; i < argc; ++i) {
        const auto mode = std::find_if(std::begin(modes), std::end(modes), [&](auto& m) { return m.first == argv[i]; });
        if (Verifier(mode != std::end(modes), std::string("mode ") + argv[i])) mode->second();
    }
    std::printf("client: %d checks, %d failed\n", verifications.load(), echecs.load());
    return echecs != 0;
}
