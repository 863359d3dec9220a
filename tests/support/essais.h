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

// 32-bit Wine under qemu's user-mode emulation does not survive threads
// (crashes in Wine's own code). Tests that start threads say "Thread" in
// their names, so that the emulated run leaves them out, and skip there
// when run by hand.
#define SAUTER_SOUS_EMULATION_I386()                                                      \
    do {                                                                                  \
        if (std::getenv("LEXIGARDE_EMULATION_I386") != nullptr)                           \
            GTEST_SKIP() << "threads crash 32-bit Wine under qemu's user-mode emulation"; \
    } while (0)

// A pointer value no call should leave behind: proves out-pointers are written.
inline void* const sentinelle = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xDEADBEEF));

// Latin-1 text as UTF-16, as registration writes it, and back (ASCII only).
TexteLarge Large(const std::string& texte);
std::string Etroit(const TexteLarge& texte);

// The folder of the running test program, with its separator.
TexteLarge DossierDuProgramme();

// Lexigarde.dll loaded as a client loads it (from the test program's folder).
class ModuleLexigarde {
public:
    explicit ModuleLexigarde(const TexteLarge& chemin = DossierDuProgramme() + Large("Lexigarde.dll"));
    ~ModuleLexigarde() { FreeLibrary(module_); }
    ModuleLexigarde(const ModuleLexigarde&) = delete;
    ModuleLexigarde& operator=(const ModuleLexigarde&) = delete;

    HMODULE Poignee() const { return module_; }
    // An export as a typed function pointer (through a plain function
    // pointer type, which casts between function types allow silently).
    template <class Fonction>
    Fonction Export(const char* nom) const {
        return reinterpret_cast<Fonction>(reinterpret_cast<void (*)(void)>(GetProcAddress(module_, nom)));
    }
    HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const {
        return Export<PFN_DllGetClassObject>("DllGetClassObject")(clsid, iid, ppv);
    }
    HRESULT DllCanUnloadNow() const { return Export<PFN_DllCanUnloadNow>("DllCanUnloadNow")(); }
    HRESULT DllRegisterServer() const { return Export<PFN_DllRegisterServer>("DllRegisterServer")(); }
    HRESULT DllUnregisterServer() const { return Export<PFN_DllUnregisterServer>("DllUnregisterServer")(); }

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
};

// Tests that drive the loaded module, loaded for the suite and unloaded
// after it. Each test must leave it as it found it: nothing alive, no lock.
class ClientLexigarde : public ::testing::Test {
public:
    static ModuleLexigarde& Module() { return *module_; }

protected:
    static void SetUpTestSuite() { module_ = new ModuleLexigarde(); }
    static void TearDownTestSuite() { delete module_; }
    void SetUp() override { ASSERT_HR(S_OK, Module().DllCanUnloadNow()); }
    void TearDown() override {
        EXPECT_HR(S_OK, Module().DllCanUnloadNow()) << "a test left an object or a lock behind";
    }

private:
    static inline ModuleLexigarde* module_ = nullptr;
};

#endif
