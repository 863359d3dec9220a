// What the tests share: HRESULTs printed in hex, UTF-16 literals that suit
// the platform's wide type, and the loading of Lexigarde.dll as a client does.
#ifndef LEXIGARDE_TESTS_ESSAIS_H
#define LEXIGARDE_TESTS_ESSAIS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

#include "lexigarde.h"

#if defined(_WIN32)
#define TEXTE(s) L##s
#else
#define TEXTE(s) u##s
#endif
using TexteLarge = std::basic_string<WCHAR>;

struct Hr {
    HRESULT valeur;
    bool operator==(const Hr& autre) const { return valeur == autre.valeur; }
};
inline void PrintTo(const Hr& hr, std::ostream* flux) {
    char texte[16];
    std::snprintf(texte, sizeof texte, "0x%08X", static_cast<unsigned>(hr.valeur));
    *flux << texte;
}
#define EXPECT_HR(attendu, expression) EXPECT_EQ(Hr{attendu}, Hr{expression})
#define ASSERT_HR(attendu, expression) ASSERT_EQ(Hr{attendu}, Hr{expression})

// Under user-mode emulation of 32-bit x86 (qemu), 32-bit Wine does not
// survive threads (crashes inside Wine's own code, never in ours). Tests
// that start threads say "Thread" in their names, so that the emulated
// 32-bit run can leave them out, and skip here when run there by hand. They
// run on Linux and under 64-bit Wine.
#define SAUTER_SOUS_EMULATION_I386()                                                      \
    do {                                                                                  \
        if (std::getenv("LEXIGARDE_EMULATION_I386") != nullptr)                           \
            GTEST_SKIP() << "threads crash 32-bit Wine under qemu's user-mode emulation"; \
    } while (0)

// A pointer value no call should leave behind: proves out-pointers are written.
inline void* const sentinelle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xDEADBEEF));

// The folder of the running test program, with its separator.
TexteLarge DossierDuProgramme();

// Lexigarde.dll loaded from the test program's folder, as a client loads it.
class ModuleLexigarde {
public:
    explicit ModuleLexigarde(const TexteLarge& chemin = DossierDuProgramme() + TEXTE("Lexigarde.dll"));
    ~ModuleLexigarde();
    ModuleLexigarde(const ModuleLexigarde&) = delete;
    ModuleLexigarde& operator=(const ModuleLexigarde&) = delete;

    HMODULE Poignee() const { return module_; }
    FARPROC Adresse(const char* nom) const;

    // An export as a typed function pointer (through a plain function
    // pointer type, which casts between function types allow silently).
    template <class Fonction>
    Fonction Export(const char* nom) const {
        return reinterpret_cast<Fonction>(reinterpret_cast<void (*)(void)>(Adresse(nom)));
    }

    HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const {
        return getClassObject_(clsid, iid, ppv);
    }
    HRESULT DllCanUnloadNow() const { return canUnloadNow_(); }

    // Factory, then object, of the class; the factory is released again.
    template <class Interface>
    Interface* Creer(REFCLSID clsid, REFIID iid) const {
        IClassFactory* fabrique = nullptr;
        if (FAILED(DllGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&fabrique))))
            return nullptr;
        void* objet = nullptr;
        fabrique->CreateInstance(nullptr, iid, &objet);
        fabrique->Release();
        return static_cast<Interface*>(objet);
    }
    IValiderMotsCles* CreerValidateur() const {
        return Creer<IValiderMotsCles>(CLSID_Lexigarde, IID_IValiderMotsCles);
    }
    ITraduireASCIIMeta* CreerTraducteur() const {
        return Creer<ITraduireASCIIMeta>(CLSID_TraducteurASCIIMeta, IID_ITraduireASCIIMeta);
    }

private:
    HMODULE module_;
    PFN_DllGetClassObject getClassObject_;
    PFN_DllCanUnloadNow canUnloadNow_;
};

// Tests that drive the loaded module. The module is loaded once for the
// suite; each test must leave it as it found it: nothing alive, no lock.
class ClientLexigarde : public ::testing::Test {
public:
    static ModuleLexigarde& Module() { return *module_; }

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

private:
    static ModuleLexigarde* module_;
};

#endif
