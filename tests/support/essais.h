// What the tests share: HRESULTs printed in hex, UTF-16 text that suits the
// platform's wide type, Lexigarde.dll loaded as a client loads it, and the
// registry read as COM reads it.
#ifndef LEXIGARDE_TESTS_ESSAIS_H
#define LEXIGARDE_TESTS_ESSAIS_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexigarde.h"
#include "support/registre_lu.h"

using TexteLarge = std::basic_string<WCHAR>;

struct Hr {
    HRESULT valeur;
    bool operator==(const Hr& autre) const { return valeur == autre.valeur; }
};
void PrintTo(const Hr& hr, std::ostream* flux);
#define EXPECT_HR(attendu, expression) EXPECT_EQ(Hr{attendu}, Hr{expression})
#define ASSERT_HR(attendu, expression) ASSERT_EQ(Hr{attendu}, Hr{expression})

TexteLarge Large(const std::string& texte); // Latin-1 as UTF-16
TexteLarge DossierDuProgramme();            // with its separator

// Lexigarde.dll (by default the one beside the test program), loaded as a client loads it.
class ModuleLexigarde {
public:
    explicit ModuleLexigarde(const TexteLarge& chemin = DossierDuProgramme() + Large("Lexigarde.dll"));
    ~ModuleLexigarde() { FreeLibrary(module_); }
    ModuleLexigarde(const ModuleLexigarde&) = delete;
    ModuleLexigarde& operator=(const ModuleLexigarde&) = delete;

    HMODULE Poignee() const { return module_; }
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
    // An object of the class through a factory that is released again; null on failure.
    void* Creer(REFCLSID clsid, REFIID iid) const;
    ITraduireASCIIMeta* CreerTraducteur() const {
        return static_cast<ITraduireASCIIMeta*>(Creer(CLSID_TraducteurASCIIMeta, IID_ITraduireASCIIMeta));
    }

private:
    HMODULE module_;
};

// Tests that drive the module, loaded for the suite. Each test must leave it
// as it found it: nothing alive, no lock, no key open.
class ClientLexigarde : public ::testing::Test {
public:
    static ModuleLexigarde& Module() { return *module_; }

protected:
    static void SetUpTestSuite() { module_ = new ModuleLexigarde(); }
    static void TearDownTestSuite() { delete module_; }
    void SetUp() override;
    void TearDown() override;

private:
    static inline ModuleLexigarde* module_ = nullptr;
    DWORD refus_ = 0;
};

// Every key and value below HKEY_CLASSES_ROOT\cle, sorted (empty when it is missing); Enregistre: of the six
// trees.
std::vector<std::string> Arborescence(const std::string& cle);
std::vector<std::string> Enregistre();
// Linux: empties the stand-in's registry, whose blocks then count for nothing.
void ViderRegistreEssai();

// The failing allocator (allocateur_defaillant.cpp): in this program on Linux, exported by a test
// build of each DLL on Windows.
extern "C" {
void EssaiEchouerAllocation(long rang);
long EssaiAllocationsFaites();
long EssaiAllocationsVivantes();
}

#endif
