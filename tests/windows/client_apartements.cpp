// A COM client in each kind of apartment, and a reader of Lexigarde.tlb. Runs
// its modes in order and ends with "client_apartements: N checks, M failed":
//   client_apartements [typelib] [sans-proxy] [sta] [enregistrer-proxy] [mta] [desenregistrer-proxy]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "lexigarde.h"

#include <oleauto.h>

namespace {

std::atomic<int> verifications{0}, echecs{0};
void Verifier(bool vrai, const std::string& quoi, long long valeur = 0) {
    ++verifications;
    if (!vrai) ++echecs, std::printf("FAILED: %s (0x%llX)\n", quoi.c_str(), valeur);
}

const char* const motsCles[] = {"asm", "auto", "bool", "break", "case", "catch", "char", "class", "const",
    "const_cast", "continue", "default", "delete", "do", "double", "dynamic_cast", "else", "enum", "explicit",
    "export", "extern", "false", "float", "for", "friend", "goto", "if", "inline", "int", "long", "mutable",
    "namespace", "new", "operator", "private", "protected", "public", "register", "reinterpret_cast", "return",
    "short", "signed", "sizeof", "static", "static_cast", "struct", "switch", "template", "this", "throw", "true",
    "try", "typedef", "typeid", "typename", "union", "unsigned", "using", "virtual", "void", "volatile",
    "wchar_t", "while"};
const char* const presque[] = {"", "If", "IF", " if", "if ", "cons", "consts", "stati", "static_casts", "d",
    "doubles", "a", "xor", "nullptr", "constexpr", "\xE9t\xE9", "z"};

struct Classe {
    const wchar_t* progId;
    const IID* iid;
};
const Classe classes[] = {{L"Composant.Interne.ValidationMotsCles.1", &IID_IValiderMotsCles},
    {L"Composant.Interne.Trad.ASCII.HTML.1", &IID_ITraduireASCIIMeta},
    {L"Composant.Interne.ValidationMotsCles", &IID_IValiderMotsCles},
    {L"Composant.Interne.Trad.ASCII.HTML", &IID_ITraduireASCIIMeta}};

void* Creer(const Classe& classe, HRESULT attendu) {
    CLSID clsid{};
    void* objet = nullptr;
    HRESULT hr = CLSIDFromProgID(classe.progId, &clsid);
    if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, *classe.iid, &objet);
    Verifier(hr == attendu, "CoCreateInstance by ProgID", hr);
    return objet;
}

// The method at the fourth slot lies inside Lexigarde.dll for the object itself, elsewhere for a proxy.
bool EstDirect(void* objet) {
    MEMORY_BASIC_INFORMATION zone{};
    VirtualQuery((*static_cast<void***>(objet))[3], &zone, sizeof zone);
    return zone.AllocationBase == GetModuleHandleW(L"Lexigarde.dll");
}

// The answer is one byte: the one after it stays the caller's.
void Repondre(IValiderMotsCles* validateur, const char* mot, unsigned char attendu) {
    unsigned char reponse[2] = {0xCC, 0xCC};
    const HRESULT hr = validateur->Valider(mot, reinterpret_cast<bool*>(reponse));
    Verifier(hr == S_OK && reponse[0] == attendu && reponse[1] == 0xCC, std::string("Valider ") + mot, hr);
}

void VerifierAppels(IValiderMotsCles* validateur, ITraduireASCIIMeta* traducteur, ITraduireASCIIMeta* direct) {
    for (const char* mot : motsCles) Repondre(validateur, mot, 1);
    for (const char* mot : presque) Repondre(validateur, mot, 0);
    // Through the proxy as in-process, the caller's bytes after the text included.
    for (int c = 0; c < 256; ++c) {
        ResultatTraduction recu, attendu;
        std::memset(&recu, c ^ 0x5A, sizeof recu);
        std::memcpy(&attendu, &recu, sizeof recu);
        const HRESULT hr = traducteur->Traduire(static_cast<unsigned char>(c), &recu);
        Verifier(hr == direct->Traduire(static_cast<unsigned char>(c), &attendu) && hr == S_OK &&
                     std::memcmp(&recu, &attendu, sizeof recu) == 0 && static_cast<unsigned char>(recu.texte[63]) == (c ^ 0x5A),
                 "Traduire " + std::to_string(c), hr);
    }
    bool reponse = false;
    const struct {
        HRESULT obtenu, attendu;
        const char* quoi;
    } nuls[] = {{validateur->Valider(nullptr, &reponse), E_POINTER, "null word"},
        {validateur->Valider("if", nullptr), HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER), "null answer"},
        {traducteur->Traduire('<', nullptr), HRESULT_FROM_WIN32(RPC_X_NULL_REF_POINTER), "null record"}};
    for (const auto& nul : nuls) Verifier(nul.obtenu == nul.attendu, nul.quoi, nul.obtenu);
}

template <class Fonction> Fonction Export(HMODULE module, const char* nom) {
    return reinterpret_cast<Fonction>(reinterpret_cast<void (*)()>(GetProcAddress(module, nom)));
}

template <class Appel> double Nanosecondes(int fois, Appel appel) {
    const auto debut = std::chrono::steady_clock::now();
    for (int i = 0; i < fois; ++i) appel();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - debut).count() / fois;
}

void Mta() {
    // The object itself, loaded directly: the reference for each answer and each cost.
    const HMODULE module = LoadLibraryW(L"Lexigarde.dll");
    auto obtenir = Export<PFN_DllGetClassObject>(module, "DllGetClassObject");
    IClassFactory* fabrique[2] = {};
    void* direct[2] = {};
    for (int i = 0; i < 2; ++i) {
        obtenir(i ? CLSID_TraducteurASCIIMeta : CLSID_Lexigarde, IID_IClassFactory, (void**)&fabrique[i]);
        fabrique[i]->CreateInstance(nullptr, *classes[i].iid, &direct[i]);
        fabrique[i]->Release();
    }
    Verifier(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)), "CoInitializeEx");
    for (int i = 0; i < 4; i += 2) {
        void* objets[2] = {Creer(classes[i], S_OK), Creer(classes[i + 1], S_OK)};
        if (!objets[0] || !objets[1]) return;
        Verifier(!EstDirect(objets[0]) && !EstDirect(objets[1]), "a proxy in the MTA");
        auto validateur = static_cast<IValiderMotsCles*>(objets[0]);
        auto traducteur = static_cast<ITraduireASCIIMeta*>(objets[1]);
        VerifierAppels(validateur, traducteur, static_cast<ITraduireASCIIMeta*>(direct[1]));
        if (i == 0 && !std::getenv("LEXIGARDE_EMULATION_I386")) { // 32-bit Wine under qemu dies with threads
            std::thread fils[2];
            for (auto& f : fils)
                f = std::thread([validateur] {
                    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                    for (int n = 0; n < 50; ++n)
                        for (const char* mot : motsCles) Repondre(validateur, mot, 1);
                    CoUninitialize();
                });
            for (auto& f : fils) f.join();
        }
        bool b;
        ResultatTraduction r;
        std::printf("cost of one call, direct and through the proxy: Valider %.0f ns, %.0f ns; "
                    "Traduire %.0f ns, %.0f ns\n",
            Nanosecondes(100000, [&] { static_cast<IValiderMotsCles*>(direct[0])->Valider("template", &b); }),
            Nanosecondes(2000, [&] { validateur->Valider("template", &b); }),
            Nanosecondes(100000, [&] { static_cast<ITraduireASCIIMeta*>(direct[1])->Traduire(0xE9, &r); }),
            Nanosecondes(2000, [&] { traducteur->Traduire(0xE9, &r); }));
        Verifier(validateur->Release() == 0 && traducteur->Release() == 0, "proxies released");
    }
    CoUninitialize();
    for (void* objet : direct) static_cast<IUnknown*>(objet)->Release();
    FreeLibrary(module);
}

void Sta() {
    Verifier(SUCCEEDED(CoInitialize(nullptr)), "CoInitialize");
    for (const Classe& classe : classes) {
        auto objet = static_cast<IUnknown*>(Creer(classe, S_OK));
        Verifier(objet && EstDirect(objet), "the object itself in the STA");
        if (objet) Verifier(objet->Release() == 0, "object released");
    }
    CoUninitialize();
}

void SansProxy() {
    Verifier(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)), "CoInitializeEx");
    for (const Classe& classe : classes) Verifier(!Creer(classe, E_NOINTERFACE), "no object without a proxy");
    CoUninitialize();
}

// The type library says what the header says: interfaces, methods, record layout.
void Typelib() {
    wchar_t chemin[MAX_PATH];
    GetModuleFileNameW(nullptr, chemin, MAX_PATH);
    ITypeLib* bibliotheque = nullptr;
    const HRESULT hr = LoadTypeLibEx((std::wstring(chemin).substr(0, std::wstring(chemin).rfind(L'\\') + 1) +
                                      L"Lexigarde.tlb").c_str(), REGKIND_NONE, &bibliotheque);
    Verifier(hr == S_OK, "LoadTypeLibEx", hr);
    if (!bibliotheque) return;
    const USHORT in = PARAMFLAG_FIN, inOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
    const struct {
        const IID* iid;
        const wchar_t* methode;
        USHORT directions[2];
    } interfaces[] = {{&IID_IValiderMotsCles, L"Valider", {in, PARAMFLAG_FOUT}},
        {&IID_ITraduireASCIIMeta, L"Traduire", {in, inOut}}};
    for (const auto& attendue : interfaces) {
        ITypeInfo *info = nullptr, *base = nullptr;
        TYPEATTR *attributs = nullptr, *attributsBase = nullptr;
        FUNCDESC* methode = nullptr;
        BSTR nom = nullptr;
        HREFTYPE refBase = 0;
        Verifier(bibliotheque->GetTypeInfoOfGuid(*attendue.iid, &info) == S_OK && info->GetTypeAttr(&attributs) == S_OK &&
                 attributs->typekind == TKIND_INTERFACE && attributs->cFuncs == 1 &&
                 info->GetRefTypeOfImplType(0, &refBase) == S_OK && info->GetRefTypeInfo(refBase, &base) == S_OK &&
                 base->GetTypeAttr(&attributsBase) == S_OK && IsEqualGUID(attributsBase->guid, IID_IUnknown) &&
                 info->GetFuncDesc(0, &methode) == S_OK && methode->oVft == 3 * sizeof(void*) &&
                 methode->cParams == 2 && info->GetDocumentation(methode->memid, &nom, nullptr, nullptr, nullptr) == S_OK &&
                 std::wstring(nom) == attendue.methode &&
                 (methode->lprgelemdescParam[0].paramdesc.wParamFlags & inOut) == attendue.directions[0] &&
                 (methode->lprgelemdescParam[1].paramdesc.wParamFlags & inOut) == attendue.directions[1],
                 "interface in Lexigarde.tlb", attendue.iid->Data1);
        SysFreeString(nom);
        if (methode) info->ReleaseFuncDesc(methode);
        if (attributsBase) base->ReleaseTypeAttr(attributsBase);
        if (base) base->Release();
        if (attributs) info->ReleaseTypeAttr(attributs);
        if (info) info->Release();
    }
    ITypeInfo* record = nullptr;
    MEMBERID membre = 0;
    USHORT trouves = 1;
    wchar_t nomRecord[] = L"ResultatTraduction";
    TYPEATTR* attributs = nullptr;
    VARDESC *texte = nullptr, *longueur = nullptr;
    Verifier(bibliotheque->FindName(nomRecord, 0, &record, &membre, &trouves) == S_OK && trouves == 1 &&
             record->GetTypeAttr(&attributs) == S_OK && attributs->typekind == TKIND_RECORD &&
             attributs->cbSizeInstance == sizeof(ResultatTraduction) && attributs->cVars == 2 &&
             record->GetVarDesc(0, &texte) == S_OK && texte->oInst == offsetof(ResultatTraduction, texte) &&
             record->GetVarDesc(1, &longueur) == S_OK && longueur->oInst == offsetof(ResultatTraduction, longueur),
             "ResultatTraduction in Lexigarde.tlb");
    if (texte) record->ReleaseVarDesc(texte);
    if (longueur) record->ReleaseVarDesc(longueur);
    if (attributs) record->ReleaseTypeAttr(attributs);
    if (record) record->Release();
    bibliotheque->Release();
}

// The 32-bit run registers the proxy/stub itself: one emulated process less.
void ProxyStub(const char* fonction) {
    const HMODULE proxy = LoadLibraryW(L"LexigardePS.dll");
    auto appeler = proxy ? Export<PFN_DllRegisterServer>(proxy, fonction) : nullptr;
    const HRESULT hr = appeler ? appeler() : E_FAIL;
    Verifier(hr == S_OK, std::string("LexigardePS.dll ") + fonction, hr);
    if (proxy) FreeLibrary(proxy);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string mode = argv[i];
        if (mode == "typelib") Typelib();
        else if (mode == "sans-proxy") SansProxy();
        else if (mode == "sta") Sta();
        else if (mode == "mta") Mta();
        else if (mode == "enregistrer-proxy") ProxyStub("DllRegisterServer");
        else if (mode == "desenregistrer-proxy") ProxyStub("DllUnregisterServer");
        else Verifier(false, "unknown mode " + mode);
    }
    std::printf("client_apartements: %d checks, %d failed\n", verifications.load(), echecs.load());
    std::fflush(stdout);
    return echecs != 0;
}
