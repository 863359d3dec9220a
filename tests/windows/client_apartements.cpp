// A COM client in each kind of apartment, and a reader of Lexigarde.tlb: runs
// its modes in order, then prints "client_apartements: N checks, M failed".
//   client_apartements [typelib] [sans-proxy] [sta] [enregistrer-proxy] [mta] [desenregistrer-proxy]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lexigarde.h"

#include <oleauto.h>

namespace {

std::atomic<int> verifications{0}, echecs{0};
void Verifier(bool vrai, const std::string& quoi, HRESULT hr = S_OK) {
    ++verifications;
    if (!vrai) ++echecs, std::printf("FAILED: %s (0x%08lX)\n", quoi.c_str(), static_cast<unsigned long>(hr));
}

const char* const motsCles = // the 63 of C++98
    "asm auto bool break case catch char class const const_cast continue default delete do double "
    "dynamic_cast else enum explicit export extern false float for friend goto if inline int long mutable "
    "namespace new operator private protected public register reinterpret_cast return short signed sizeof "
    "static static_cast struct switch template this throw true try typedef typeid typename union unsigned "
    "using virtual void volatile wchar_t while";
const char* const presque[] = {"",  "If",      " if", "if ", "cons",    "consts",    "static_casts",
                               "d", "doubles", "a",   "xor", "nullptr", "constexpr", "\xE9t\xE9"};

const struct Classe {
    const wchar_t* progId;
    const IID* iid;
} classes[] = {{L"Composant.Interne.ValidationMotsCles.1", &IID_IValiderMotsCles},
               {L"Composant.Interne.Trad.ASCII.HTML.1", &IID_ITraduireASCIIMeta},
               {L"Composant.Interne.ValidationMotsCles", &IID_IValiderMotsCles},
               {L"Composant.Interne.Trad.ASCII.HTML", &IID_ITraduireASCIIMeta}};

template <class Fonction>
Fonction Export(HMODULE module, const char* nom) {
    return reinterpret_cast<Fonction>(reinterpret_cast<void (*)()>(GetProcAddress(module, nom)));
}

void* Creer(const Classe& classe, HRESULT attendu) {
    CLSID clsid{};
    void* objet = nullptr;
    HRESULT hr = CLSIDFromProgID(classe.progId, &clsid);
    if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, *classe.iid, &objet);
    Verifier(hr == attendu, "CoCreateInstance by ProgID", hr);
    return objet;
}

// The method at the fourth slot lies in Lexigarde.dll for the object itself, elsewhere for a proxy.
bool EstDirect(void* objet) {
    MEMORY_BASIC_INFORMATION zone{};
    VirtualQuery((*static_cast<void***>(objet))[3], &zone, sizeof zone);
    return zone.AllocationBase == GetModuleHandleW(L"Lexigarde.dll");
}

// Each class by each ProgID: the objects themselves in an STA, none in the MTA without the proxy/stub.
void Apartement(DWORD modele, HRESULT attendu) {
    Verifier(SUCCEEDED(CoInitializeEx(nullptr, modele)), "CoInitializeEx");
    for (const Classe& classe : classes)
        if (auto objet = static_cast<IUnknown*>(Creer(classe, attendu)))
            Verifier(EstDirect(objet) && objet->Release() == 0, "the object itself, released");
    CoUninitialize();
}

// Every keyword answers true, every near miss false, in one byte: the next stays the caller's.
void Repondre(IValiderMotsCles* validateur) {
    std::istringstream flux(motsCles);
    std::vector<std::string> mots{std::istream_iterator<std::string>(flux), {}};
    Verifier(mots.size() == 63, "63 keywords");
    mots.insert(mots.end(), std::begin(presque), std::end(presque));
    for (size_t n = 0; n < mots.size(); ++n) {
        unsigned char reponse[2] = {0xCC, 0xCC};
        const HRESULT hr = validateur->Valider(mots[n].c_str(), reinterpret_cast<bool*>(reponse));
        Verifier(hr == S_OK && reponse[0] == (n < 63) && reponse[1] == 0xCC, "Valider " + mots[n], hr);
    }
}

template <class Appel>
double Nanosecondes(int fois, Appel appel) {
    const auto debut = std::chrono::steady_clock::now();
    for (int i = 0; i < fois; ++i) appel();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - debut).count() / fois;
}

void Mta() {
    // 32-bit Wine under qemu survives neither threads nor exceptions.
    const bool emule = std::getenv("LEXIGARDE_EMULATION_I386") != nullptr;
    if (emule) std::printf("under emulation: no null [ref] pointer, no second thread\n");
    // The objects themselves, loaded directly: the reference for answers and costs.
    const HMODULE module = LoadLibraryW(L"Lexigarde.dll");
    IUnknown* direct[2] = {};
    for (int i = 0; i < 2; ++i) {
        IClassFactory* fabrique = nullptr;
        Export<PFN_DllGetClassObject>(module, "DllGetClassObject")(
            i ? CLSID_TraducteurASCIIMeta : CLSID_Lexigarde, IID_IClassFactory, (void**)&fabrique);
        fabrique->CreateInstance(nullptr, *classes[i].iid, (void**)&direct[i]);
        fabrique->Release();
    }
    auto validateurDirect = reinterpret_cast<IValiderMotsCles*>(direct[0]);
    auto traducteurDirect = reinterpret_cast<ITraduireASCIIMeta*>(direct[1]);
    Verifier(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)), "CoInitializeEx");
    for (int i = 0; i < 4; i += 2) {
        auto validateur = static_cast<IValiderMotsCles*>(Creer(classes[i], S_OK));
        auto traducteur = static_cast<ITraduireASCIIMeta*>(Creer(classes[i + 1], S_OK));
        if (!validateur || !traducteur) break;
        Verifier(!EstDirect(validateur) && !EstDirect(traducteur), "a proxy in the MTA");
        Repondre(validateur);
        ResultatTraduction recu, attendu;
        for (int c = 0; c < 256; ++c) { // as in-process, the caller's bytes after the text included
            std::memset(&recu, c ^ 0x5A, sizeof recu);
            std::memcpy(&attendu, &recu, sizeof recu);
            const HRESULT hr = traducteur->Traduire(static_cast<unsigned char>(c), &recu);
            Verifier(
                hr == S_OK && traducteurDirect->Traduire(static_cast<unsigned char>(c), &attendu) == S_OK &&
                    std::memcmp(&recu, &attendu, sizeof recu) == 0 && (recu.texte[63] & 0xFF) == (c ^ 0x5A),
                "Traduire " + std::to_string(c), hr);
        }
        bool reponse = false;
        HRESULT hr = validateur->Valider(nullptr, &reponse); // reaches the object
        Verifier(hr == E_POINTER, "null word", hr);
        // Null [ref] pointers: the proxy's own code, raised as an exception.
        for (int nul = 0; nul < 2 && !emule; ++nul) {
            hr = nul ? traducteur->Traduire('<', nullptr) : validateur->Valider("if", nullptr);
            Verifier(hr == HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER), nul ? "null record" : "null answer",
                     hr);
        }
        if (i == 0 && !emule) { // two threads of the MTA share one proxy
            auto appels = [validateur] {
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                for (int n = 0; n < 20; ++n) Repondre(validateur);
                CoUninitialize();
            };
            std::thread premier(appels), second(appels);
            premier.join(), second.join();
        }
        std::printf(
            "one call, direct and through the proxy: Valider %.0f ns, %.0f ns; Traduire %.0f ns, %.0f ns\n",
            Nanosecondes(100000, [&] { validateurDirect->Valider("template", &reponse); }),
            Nanosecondes(2000, [&] { validateur->Valider("template", &reponse); }),
            Nanosecondes(100000, [&] { traducteurDirect->Traduire(0xE9, &recu); }),
            Nanosecondes(2000, [&] { traducteur->Traduire(0xE9, &recu); }));
        Verifier(validateur->Release() == 0 && traducteur->Release() == 0, "proxies released");
    }
    CoUninitialize();
    direct[0]->Release(), direct[1]->Release();
    FreeLibrary(module);
}

TYPEATTR Attributs(ITypeInfo* info) {
    TYPEATTR *attributs = nullptr, copie{};
    if (info && info->GetTypeAttr(&attributs) == S_OK) copie = *attributs, info->ReleaseTypeAttr(attributs);
    return copie;
}

// The type library says what the header says.
void Typelib() {
    wchar_t chemin[MAX_PATH];
    std::wstring tlb(chemin, GetModuleFileNameW(nullptr, chemin, MAX_PATH));
    ITypeLib* bibliotheque = nullptr;
    const HRESULT hr = LoadTypeLibEx((tlb.substr(0, tlb.rfind(L'\\') + 1) + L"Lexigarde.tlb").c_str(),
                                     REGKIND_NONE, &bibliotheque);
    Verifier(hr == S_OK, "LoadTypeLibEx", hr);
    if (!bibliotheque) return;
    const USHORT in = PARAMFLAG_FIN, out = PARAMFLAG_FOUT;
    const struct {
        const IID* iid;
        const wchar_t* methode;
        USHORT directions[2];
    } interfaces[] = {{&IID_IValiderMotsCles, L"Valider", {in, out}},
                      {&IID_ITraduireASCIIMeta, L"Traduire", {in, in | out}}};
    for (const auto& attendue : interfaces) {
        ITypeInfo *info = nullptr, *base = nullptr;
        HREFTYPE refBase = 0;
        FUNCDESC* f = nullptr;
        BSTR nom = nullptr;
        if (bibliotheque->GetTypeInfoOfGuid(*attendue.iid, &info) == S_OK && info->GetFuncDesc(0, &f) == S_OK)
            info->GetRefTypeOfImplType(0, &refBase), info->GetRefTypeInfo(refBase, &base),
                info->GetDocumentation(f->memid, &nom, nullptr, nullptr, nullptr);
        const TYPEATTR attributs = Attributs(info);
        Verifier(attributs.typekind == TKIND_INTERFACE && attributs.cFuncs == 1 &&
                     IsEqualGUID(Attributs(base).guid, IID_IUnknown) && f && nom &&
                     attendue.methode == std::wstring(nom) && f->oVft == 3 * sizeof(void*) &&
                     f->cParams == 2 &&
                     (f->lprgelemdescParam[0].paramdesc.wParamFlags & (in | out)) == attendue.directions[0] &&
                     (f->lprgelemdescParam[1].paramdesc.wParamFlags & (in | out)) == attendue.directions[1],
                 "interface in Lexigarde.tlb", static_cast<HRESULT>(attendue.iid->Data1));
        SysFreeString(nom);
        if (f) info->ReleaseFuncDesc(f);
        if (base) base->Release();
        if (info) info->Release();
    }
    ITypeInfo* record = nullptr;
    MEMBERID membre = 0;
    USHORT trouves = 1;
    wchar_t nomRecord[] = L"ResultatTraduction";
    if (bibliotheque->FindName(nomRecord, 0, &record, &membre, &trouves) != S_OK) trouves = 0;
    const TYPEATTR attributs = Attributs(trouves ? record : nullptr);
    LONG decalages[2] = {-1, -1};
    VARDESC* champ = nullptr;
    for (UINT i = 0; trouves && i < 2; ++i)
        if (record->GetVarDesc(i, &champ) == S_OK) decalages[i] = champ->oInst, record->ReleaseVarDesc(champ);
    Verifier(attributs.typekind == TKIND_RECORD && attributs.cbSizeInstance == sizeof(ResultatTraduction) &&
                 attributs.cVars == 2 && decalages[0] == offsetof(ResultatTraduction, texte) &&
                 decalages[1] == offsetof(ResultatTraduction, longueur),
             "ResultatTraduction in Lexigarde.tlb");
    if (trouves) record->Release();
    bibliotheque->Release();
}

// The 32-bit run registers the proxy/stub itself: one emulated process less.
void ProxyStub(const char* fonction) {
    const HMODULE proxy = LoadLibraryW(L"LexigardePS.dll");
    const HRESULT hr = proxy ? Export<PFN_DllRegisterServer>(proxy, fonction)() : E_FAIL;
    Verifier(hr == S_OK, std::string("LexigardePS.dll ") + fonction, hr);
    if (proxy) FreeLibrary(proxy);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // every line out, should the process die
    const std::pair<std::string, void (*)()> modes[] = {
        {"typelib", Typelib},
        {"sans-proxy", [] { Apartement(COINIT_MULTITHREADED, E_NOINTERFACE); }},
        {"sta", [] { Apartement(COINIT_APARTMENTTHREADED, S_OK); }},
        {"mta", Mta},
        {"enregistrer-proxy", [] { ProxyStub("DllRegisterServer"); }},
        {"desenregistrer-proxy", [] { ProxyStub("DllUnregisterServer"); }}};
    for (int i = 1; i < argc; ++i) {
        bool connu = false;
        for (const auto& mode : modes)
            if (mode.first == argv[i]) connu = true, mode.second();
        Verifier(connu, std::string("mode ") + argv[i]);
    }
    std::printf("client_apartements: %d checks, %d failed\n", verifications.load(), echecs.load());
    return echecs != 0;
}
