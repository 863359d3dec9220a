// Windows only: what a client built with the stock MinGW headers relies on
// at the binary level. On 32-bit x86 these are where faults live: a method
// built with the wrong calling convention moves the caller's stack, a
// decorated export name is not found, a record laid out differently is
// written in the wrong place.
#include <cstring>

#include "support/essais.h"

namespace {

// The stack pointer, read right before and right after a call: equal when
// the callee removed exactly the arguments the caller's declaration says.
#if defined(__i386__)
#define LIRE_ESP(variable) asm volatile("movl %%esp, %0" : "=r"(variable))
#else
#define LIRE_ESP(variable) variable = 0
#endif

using Abi = ClientLexigarde;

TEST_F(Abi, ChaqueExportSeTrouveParSonNomEtParSonOrdinal) {
    const char* const noms[] = {"DllRegisterServer", "DllUnregisterServer", "DllCanUnloadNow",
                                "DllGetClassObject"};
    for (WORD ordinal = 1; ordinal <= 4; ++ordinal) {
        const FARPROC parNom = GetProcAddress(Module().Poignee(), noms[ordinal - 1]);
        const FARPROC parOrdinal = GetProcAddress(Module().Poignee(), MAKEINTRESOURCEA(ordinal));
        EXPECT_NE(nullptr, parNom) << noms[ordinal - 1];
        EXPECT_EQ(parNom, parOrdinal) << noms[ordinal - 1] << " is not ordinal " << ordinal;
    }
    EXPECT_EQ(nullptr, GetProcAddress(Module().Poignee(), "_DllGetClassObject@12"));
    EXPECT_EQ(nullptr, GetProcAddress(Module().Poignee(), "DllGetClassObject@12"));
}

TEST_F(Abi, DesMilliersDAppelsLaissentLaPileIntacte) {
    IValiderMotsCles* validateur = Module().CreerValidateur();
    ITraduireASCIIMeta* traducteur = Module().CreerTraducteur();
    ASSERT_TRUE(validateur && traducteur);
    const char* const mots[] = {"while", "whilst", "operator", "Operator"};
    volatile unsigned sentinelleAvant = 0x600DF00D;
    std::uintptr_t avant = 0, apres = 0;
    int erreurs = 0, derives = 0;
    for (int i = 0; i < 20000; ++i) {
        bool motCle = false;
        LIRE_ESP(avant);
        const HRESULT hrValider = validateur->Valider(mots[i % 4], &motCle);
        LIRE_ESP(apres);
        derives += avant != apres;
        erreurs += hrValider != S_OK || motCle != (i % 2 == 0);

        ResultatTraduction resultat;
        LIRE_ESP(avant);
        const HRESULT hrTraduire = traducteur->Traduire(static_cast<unsigned char>(i), &resultat);
        LIRE_ESP(apres);
        derives += avant != apres;
        erreurs += hrTraduire != S_OK;
    }
    volatile unsigned sentinelleApres = 0xFEEDFACE;
    EXPECT_EQ(0, derives) << "a call moved the stack pointer";
    EXPECT_EQ(0, erreurs);
    EXPECT_EQ(0x600DF00Du, sentinelleAvant);
    EXPECT_EQ(0xFEEDFACEu, sentinelleApres);
    validateur->Release();
    traducteur->Release();
}

TEST_F(Abi, LaLongueurEstEcriteALOctetSoixanteQuatre) {
    static_assert(sizeof(ResultatTraduction) == 68);
    ITraduireASCIIMeta* traducteur = Module().CreerTraducteur();
    ASSERT_NE(nullptr, traducteur);
    alignas(4) unsigned char octets[80];
    std::memset(octets, 0xCC, sizeof octets);
    ASSERT_HR(S_OK, traducteur->Traduire(0xC7, reinterpret_cast<ResultatTraduction*>(octets)));
    std::int32_t longueur;
    std::memcpy(&longueur, octets + 64, 4);
    EXPECT_EQ(8, longueur) << "&Ccedil; is 8 bytes";
    EXPECT_EQ(0, std::memcmp(octets, "&Ccedil;", 8));
    for (int i = 68; i < 80; ++i) EXPECT_EQ(0xCC, octets[i]) << "byte " << i;
    traducteur->Release();
}

} // namespace
