// The package's client (registration-free) and the Windows tests' (after regsvr32): both classes by
// ProgID in each apartment, Lexigarde.tlb and the version resources read back, the automation companion.
// client MODE...
#include "lexigarde.h"
#include "support/mots_cles_cpp98.h"

#include <oleauto.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

// A method of the wrong calling convention moves its caller's stack pointer (on 32-bit x86).
#define PILE(variable) asm volatile("mov %%esp, %k0" : "=r"(variable))

std::atomic<int> verifications{0}, echecs{0};
void Verifier(bool vrai, const std::string& quoi, HRESULT hr = S_OK) {
    ++verifications;
    if (!vrai) ++echecs, std::printf("FAILED: %s (0x%08lX)\n", quoi.c_str(), static_cast<unsigned long>(hr));
}
void Automation(); // automation.cpp: LexigardeScript.dll early- and late-bound

namespace {

// Through a manifest Wine's CLSIDFromProgID may give another identifier of the class: only used.
const wchar_t* const progIds[] = {
    L"Composant.Interne.ValidationMotsCles.1", L"Composant.Interne.Trad.ASCII.HTML.1",
    L"Composant.Interne.ValidationMotsCles", L"Composant.Interne.Trad.ASCII.HTML"};
const IID* const iids[] = {&IID_IValiderMotsCles, &IID_ITraduireASCIIMeta};
void* Creer(int i, HRESULT attendu) {
    CLSID clsid{};
    void* objet = nullptr;
    HRESULT hr = CLSIDFromProgID(progIds[i], &clsid);
    if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, *iids[i % 2], &objet);
    Verifier(hr == attendu, "CoCreateInstance by ProgID", hr);
    return objet;
}

// The method at the fourth slot lies in Lexigarde.dll for the object itself, elsewhere for a proxy.
bool EstDirect(void* objet) {
    MEMORY_BASIC_INFORMATION zone{};
    VirtualQuery((*static_cast<void***>(objet))[3], &zone, sizeof zone);
    return GetModuleHandleW(L"Lexigarde.dll") && zone.AllocationBase == GetModuleHandleW(L"Lexigarde.dll");
}

// Every keyword answers true, every near miss false, in one byte: the next stays the caller's.
void Repondre(IValiderMotsCles* validateur, int fois) {
    const char* const presque[] = {"", "If", "if ", "cons", "consts", "xor", "nullptr", "\xE9t\xE9"};
    for (int i = 0; i < (63 + 8) * fois; ++i) {
        const int n = i % (63 + 8);
        const char* mot = n < 63 ? motsClesCpp98[n] : presque[n - 63];
        unsigned char reponse[2] = {0xCC, 0xCC};
        unsigned avant, apres;
        PILE(avant);
        const HRESULT hr = validateur->Valider(mot, reinterpret_cast<bool*>(reponse));
        PILE(apres);
        Verifier(hr == S_OK && reponse[0] == (n < 63) && reponse[1] == 0xCC && avant == apres,
                 std::string("Valider ") + mot, hr);
    }
}

// Each class by each ProgID: in an STA the objects themselves, then the module kept by an object or
// a server lock only; in the MTA proxies answering as they do (E_NOINTERFACE without the proxy/stub).
void Apartement(bool sta, HRESULT attendu) {
    // 32-bit Wine under qemu survives neither threads nor the exception of a refused null pointer.
    const bool emule = GetEnvironmentVariableA("LEXIGARDE_EMULATION_I386", nullptr, 0) != 0;
    const HMODULE module = LoadLibraryW(L"Lexigarde.dll"); // the object itself, for reference
    IClassFactory* fabrique = nullptr;
    ITraduireASCIIMeta* direct = nullptr;
    reinterpret_cast<PFN_DllGetClassObject>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")))(
        CLSID_TraducteurASCIIMeta, IID_IClassFactory, reinterpret_cast<void**>(&fabrique));
    fabrique->CreateInstance(nullptr, IID_ITraduireASCIIMeta, reinterpret_cast<void**>(&direct));
    fabrique->Release();
    Verifier(SUCCEEDED(CoInitializeEx(nullptr, sta ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED)),
             "CoInitializeEx");
    for (int i = 0; i < 4; i += 2) {
        auto validateur = static_cast<IValiderMotsCles*>(Creer(i, attendu));
        auto traducteur = static_cast<ITraduireASCIIMeta*>(Creer(i + 1, attendu));
        if (!validateur || !traducteur) continue;
        Verifier(EstDirect(validateur) == sta && EstDirect(traducteur) == sta, "the objects, or proxies");
        Repondre(validateur, 1);
        for (int c = 0; c < 256; ++c) { // the caller's bytes after the text included
            ResultatTraduction recu, attendue;
            std::memset(&recu, c ^ 0x5A, sizeof recu), attendue = recu;
            unsigned avant, apres;
            PILE(avant);
            const HRESULT hr = traducteur->Traduire(c, &recu), hrDirect = direct->Traduire(c, &attendue);
            PILE(apres);
            Verifier(hr == S_OK && hrDirect == S_OK && std::memcmp(&recu, &attendue, sizeof recu) == 0 &&
                         (recu.texte[63] & 0xFF) == (c ^ 0x5A) && avant == apres,
                     "Traduire " + std::to_string(c), hr);
        }
        // A null word reaches the object; a null pointer out, in a proxy, does not.
        const HRESULT nul = sta ? E_POINTER : HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER);
        bool reponse = false;
        Verifier(validateur->Valider(nullptr, &reponse) == E_POINTER &&
                     (emule || (validateur->Valider("if", nullptr) == nul &&
                                traducteur->Traduire('<', nullptr) == nul)),
                 "null word, answer, record");
        if (i == 0 && !sta && !emule) { // two threads of the MTA share one proxy
            std::thread premier(Repondre, validateur, 20), second(Repondre, validateur, 20);
            premier.join(), second.join();
        }
        Verifier(validateur->Release() == 0 && traducteur->Release() == 0, "released");
    }
    direct->Release();
    FreeLibrary(module);
    for (int verrou = 2; sta && verrou >= 0; --verrou) { // an object lives, a server lock holds, nothing
        IClassFactory* fabrique = nullptr;
        IUnknown* objet = nullptr;
        HRESULT hr = CoGetClassObject(CLSID_TraducteurASCIIMeta, CLSCTX_INPROC_SERVER, nullptr,
                                      IID_IClassFactory, reinterpret_cast<void**>(&fabrique));
        if (fabrique)
            hr = verrou == 2
                     ? fabrique->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&objet))
                     : fabrique->LockServer(verrou),
            fabrique->Release();
        CoFreeUnusedLibrariesEx(0, 0);
        Verifier(hr == S_OK && !GetModuleHandleW(L"Lexigarde.dll") == !verrou, "the module kept", hr);
        if (objet) objet->Release();
    }
    CoUninitialize();
}

// The build's files: Lexigarde.tlb beside the program says what the header says (per interface, after
// the three slots of IUnknown, one method whose two parameters go in, then out or both ways; the
// record); every binary's resources give the build's one version.
void Fichiers() {
    ITypeLib* tlb = nullptr;
    ITypeInfo *info = nullptr, *record = nullptr;
    TYPEATTR* a = nullptr;
    Verifier(LoadTypeLibEx(L"Lexigarde.tlb", REGKIND_NONE, &tlb) == S_OK, "LoadTypeLibEx");
    const USHORT in = PARAMFLAG_FIN, out = PARAMFLAG_FOUT, sens[] = {out, in | out};
    for (int i = 0; i < 2 && tlb; ++i) {
        FUNCDESC* f = nullptr;
        if (tlb->GetTypeInfoOfGuid(*iids[i], &info) == S_OK && info->GetTypeAttr(&a) == S_OK)
            info->GetFuncDesc(0, &f);
        const auto flags = [f](int n) { return f->lprgelemdescParam[n].paramdesc.wParamFlags & (in | out); };
        Verifier(f && a->typekind == TKIND_INTERFACE && a->cFuncs == 1 && f->oVft == 3 * sizeof(void*) &&
                     f->cParams == 2 && flags(0) == in && flags(1) == sens[i],
                 "interface in Lexigarde.tlb", static_cast<HRESULT>(iids[i]->Data1));
        if (f && i == 1) info->GetRefTypeInfo(f->lprgelemdescParam[1].tdesc.lptdesc->hreftype, &record);
        if (f) info->ReleaseFuncDesc(f), info->ReleaseTypeAttr(a), info->Release(), a = nullptr;
    }
    // The record Traduire's second parameter points to: its size, and each field's offset.
    VARDESC *texte = nullptr, *longueur = nullptr;
    Verifier(record && record->GetTypeAttr(&a) == S_OK && a->typekind == TKIND_RECORD &&
                 a->cbSizeInstance == sizeof(ResultatTraduction) && a->cVars == 2 &&
                 record->GetVarDesc(0, &texte) == S_OK &&
                 texte->oInst == offsetof(ResultatTraduction, texte) &&
                 record->GetVarDesc(1, &longueur) == S_OK &&
                 longueur->oInst == offsetof(ResultatTraduction, longueur),
             "ResultatTraduction in Lexigarde.tlb");
    if (longueur) record->ReleaseVarDesc(texte), record->ReleaseVarDesc(longueur);
    if (record) record->ReleaseTypeAttr(a), record->Release();
    if (tlb) tlb->Release();
    const std::wstring v = L"" VERSION_LEXIGARDE;
    for (const std::wstring fichier : {L"Lexigarde.dll", L"lexigarde.exe", L"LexigardePS.dll", L"LexigardeScript.dll"}) {
        std::string bloc(GetFileVersionInfoSizeW(fichier.c_str(), nullptr) + 1, '\0');
        std::wstring lu;
        for (const std::wstring n : {L"FileVersion", L"ProductName", L"OriginalFilename"}) {
            void* texte = nullptr;
            UINT taille = 0;
            if (GetFileVersionInfoW(fichier.c_str(), 0, bloc.size(), &bloc[0]) &&
                VerQueryValueW(&bloc[0], (L"\\StringFileInfo\\040904B0\\" + n).c_str(), &texte, &taille))
                lu += static_cast<const wchar_t*>(texte);
            lu += L' ';
        }
        Verifier(lu == v + L" Lexigarde " + fichier + L' ',
                 "version resources of " + std::string(fichier.begin(), fichier.end()));
    }
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // every line out, should the process die
    const std::pair<std::string, void (*)()> modes[] = {
        {"sta", [] { Apartement(true, S_OK); }},
        {"sans-proxy", [] { Apartement(false, E_NOINTERFACE); }},
        {"mta", [] { Apartement(false, S_OK); }},
        {"fichiers", Fichiers},
        {"automation", Automation}};
    for (int i = 1; i < argc; ++i) {
        bool connu = false;
        for (const auto& mode : modes)
            if (mode.first == argv[i]) connu = true, mode.second();
        Verifier(connu, std::string("mode ") + argv[i]);
    }
    std::printf("client: %d checks, %d failed\n", verifications.load(), echecs.load());
    return echecs != 0;
}
