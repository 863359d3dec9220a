// Windows only: the COM runtime itself (Wine's ole32) as the client, and
// what a client relies on at the binary level.
#include "support/essais.h"

namespace {

// Only COM holds the module here: found through what DllRegisterServer
// wrote, kept while an object or a server lock lives, unloaded once
// DllCanUnloadNow says S_OK.
TEST(ComReel, LeRuntimeCreeParProgIdEtGardeLeModuleTantQuUnObjetOuUnVerrouVit) {
    ASSERT_EQ(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "another test left the module loaded";
    ASSERT_HR(S_OK, ModuleLexigarde().DllRegisterServer());
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const struct {
        const wchar_t* progId;
        const CLSID* clsid;
        const IID* iid;
    } classes[] = {
        {L"Composant.Interne.ValidationMotsCles.1", &CLSID_Lexigarde, &IID_IValiderMotsCles},
        {L"Composant.Interne.ValidationMotsCles", &CLSID_Lexigarde, &IID_IValiderMotsCles},
        {L"Composant.Interne.Trad.ASCII.HTML.1", &CLSID_TraducteurASCIIMeta, &IID_ITraduireASCIIMeta},
        {L"Composant.Interne.Trad.ASCII.HTML", &CLSID_TraducteurASCIIMeta, &IID_ITraduireASCIIMeta}};
    for (const auto& c : classes) {
        CLSID clsid{};
        ASSERT_HR(S_OK, CLSIDFromProgID(c.progId, &clsid));
        EXPECT_TRUE(IsEqualGUID(clsid, *c.clsid));
        IUnknown* objet = nullptr;
        ASSERT_HR(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, *c.iid,
                                         reinterpret_cast<void**>(&objet)));
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_NE(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "unloaded under a live object";
        bool motCle = false;
        ResultatTraduction resultat{};
        EXPECT_HR(S_OK, c.clsid == &CLSID_Lexigarde
                            ? static_cast<IValiderMotsCles*>(objet)->Valider("friend", &motCle)
                            : static_cast<ITraduireASCIIMeta*>(objet)->Traduire(0xBB, &resultat));
        EXPECT_TRUE(motCle || std::string(resultat.texte, resultat.longueur) == "&raquo;");
        objet->Release();
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "kept after the last release";
    }
    IClassFactory* fabrique = nullptr;
    for (BOOL verrou : {TRUE, FALSE}) {
        ASSERT_HR(S_OK, CoGetClassObject(CLSID_TraducteurASCIIMeta, CLSCTX_INPROC_SERVER, nullptr,
                                         IID_IClassFactory, reinterpret_cast<void**>(&fabrique)));
        EXPECT_HR(S_OK, fabrique->LockServer(verrou));
        fabrique->Release();
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_EQ(verrou, GetModuleHandleW(L"Lexigarde.dll") != nullptr)
            << "the lock must hold it, and only it";
    }
    CoUninitialize();
    EXPECT_HR(S_OK, ModuleLexigarde().DllUnregisterServer());
}

// On 32-bit x86 a method built with the wrong calling convention moves the
// caller's stack pointer: read right before and right after each call.
#if defined(__i386__)
#define LIRE_ESP(variable) asm volatile("movl %%esp, %0" : "=r"(variable))
#else
#define LIRE_ESP(variable) variable = 0
#endif

using Abi = ClientLexigarde;

TEST_F(Abi, DesMilliersDAppelsLaissentLaPileIntacte) {
    IValiderMotsCles* validateur = Module().CreerValidateur();
    ITraduireASCIIMeta* traducteur = Module().CreerTraducteur();
    ASSERT_TRUE(validateur && traducteur);
    std::uintptr_t avant = 0, apres = 0;
    int derives = 0, erreurs = 0;
    for (int i = 0; i < 20000; ++i) {
        bool motCle = false;
        ResultatTraduction resultat;
        LIRE_ESP(avant);
        erreurs += validateur->Valider(i % 2 ? "while" : "whilst", &motCle) != S_OK || motCle != (i % 2 == 1);
        erreurs += traducteur->Traduire(static_cast<unsigned char>(i), &resultat) != S_OK;
        LIRE_ESP(apres);
        derives += avant != apres;
    }
    EXPECT_EQ(0, derives) << "a call moved the stack pointer";
    EXPECT_EQ(0, erreurs);
    validateur->Release();
    traducteur->Release();
}

} // namespace
