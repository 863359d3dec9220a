// Windows only: the COM runtime itself (Wine's ole32) as the client. It
// finds the server through what DllRegisterServer wrote, loads it and
// unloads it when DllCanUnloadNow says so.
#include "support/essais.h"

namespace {

class ComReel : public ClientLexigarde {
protected:
    void SetUp() override {
        ClientLexigarde::SetUp();
        ASSERT_HR(S_OK, Module().Export<PFN_DllRegisterServer>("DllRegisterServer")());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override {
        CoUninitialize();
        EXPECT_HR(S_OK, Module().Export<PFN_DllUnregisterServer>("DllUnregisterServer")());
        ClientLexigarde::TearDown();
    }
};

TEST_F(ComReel, CoCreateInstanceParChaqueProgIdDonneDesComposantsQuiRepondent) {
    for (const wchar_t* progId :
         {L"Composant.Interne.ValidationMotsCles.1", L"Composant.Interne.ValidationMotsCles"}) {
        CLSID clsid{};
        ASSERT_HR(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_TRUE(IsEqualGUID(clsid, CLSID_Lexigarde));
        IValiderMotsCles* validateur = nullptr;
        ASSERT_HR(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IValiderMotsCles,
                                         reinterpret_cast<void**>(&validateur)));
        bool motCle = false;
        EXPECT_HR(S_OK, validateur->Valider("reinterpret_cast", &motCle));
        EXPECT_TRUE(motCle);
        validateur->Release();
    }
    for (const wchar_t* progId :
         {L"Composant.Interne.Trad.ASCII.HTML.1", L"Composant.Interne.Trad.ASCII.HTML"}) {
        CLSID clsid{};
        ASSERT_HR(S_OK, CLSIDFromProgID(progId, &clsid));
        EXPECT_TRUE(IsEqualGUID(clsid, CLSID_TraducteurASCIIMeta));
        ITraduireASCIIMeta* traducteur = nullptr;
        ASSERT_HR(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITraduireASCIIMeta,
                                         reinterpret_cast<void**>(&traducteur)));
        ResultatTraduction resultat{};
        EXPECT_HR(S_OK, traducteur->Traduire(0xBB, &resultat));
        EXPECT_EQ(std::string("&raquo;"), std::string(resultat.texte, resultat.longueur));
        traducteur->Release();
    }
    IUnknown* rien = nullptr;
    EXPECT_HR(E_NOINTERFACE, CoCreateInstance(CLSID_Lexigarde, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_ITraduireASCIIMeta, reinterpret_cast<void**>(&rien)));
    EXPECT_EQ(nullptr, rien);
}

TEST_F(ComReel, DesMilliersDObjetsCreesParCoCreateInstanceRepondentJuste) {
    int erreurs = 0;
    for (int i = 0; i < 2000; ++i) {
        IValiderMotsCles* validateur = nullptr;
        ITraduireASCIIMeta* traducteur = nullptr;
        if (FAILED(CoCreateInstance(CLSID_Lexigarde, nullptr, CLSCTX_INPROC_SERVER, IID_IValiderMotsCles,
                                    reinterpret_cast<void**>(&validateur))) ||
            FAILED(CoCreateInstance(CLSID_TraducteurASCIIMeta, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITraduireASCIIMeta, reinterpret_cast<void**>(&traducteur)))) {
            ADD_FAILURE() << "CoCreateInstance failed at " << i;
            break;
        }
        bool motCle = false;
        erreurs +=
            validateur->Valider(i % 2 ? "friend" : "friends", &motCle) != S_OK || motCle != (i % 2 == 1);
        ResultatTraduction resultat;
        erreurs += traducteur->Traduire('<', &resultat) != S_OK || resultat.longueur != 4;
        erreurs += validateur->Release() != 0;
        erreurs += traducteur->Release() != 0;
    }
    EXPECT_EQ(0, erreurs);
}

// Only COM holds the module here: it must stay while an object or a server
// lock lives, and go once DllCanUnloadNow says S_OK.
TEST(ComReelDechargement, LeRuntimeGardeLeModuleTantQuUnObjetOuUnVerrouVit) {
    ASSERT_EQ(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "another test left the module loaded";
    {
        ModuleLexigarde module;
        ASSERT_HR(S_OK, module.Export<PFN_DllRegisterServer>("DllRegisterServer")());
    }
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));

    IValiderMotsCles* validateur = nullptr;
    ASSERT_HR(S_OK, CoCreateInstance(CLSID_Lexigarde, nullptr, CLSCTX_INPROC_SERVER, IID_IValiderMotsCles,
                                     reinterpret_cast<void**>(&validateur)));
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_NE(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "unloaded under a live object";
    validateur->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "kept after the last release";

    IClassFactory* fabrique = nullptr;
    ASSERT_HR(S_OK, CoGetClassObject(CLSID_TraducteurASCIIMeta, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_IClassFactory, reinterpret_cast<void**>(&fabrique)));
    EXPECT_HR(S_OK, fabrique->LockServer(TRUE));
    fabrique->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_NE(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "unloaded under a server lock";
    ASSERT_HR(S_OK, CoGetClassObject(CLSID_TraducteurASCIIMeta, CLSCTX_INPROC_SERVER, nullptr,
                                     IID_IClassFactory, reinterpret_cast<void**>(&fabrique)));
    EXPECT_HR(S_OK, fabrique->LockServer(FALSE));
    fabrique->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(nullptr, GetModuleHandleW(L"Lexigarde.dll")) << "kept after the lock was released";

    CoUninitialize();
    ModuleLexigarde module;
    EXPECT_HR(S_OK, module.Export<PFN_DllUnregisterServer>("DllUnregisterServer")());
}

} // namespace
