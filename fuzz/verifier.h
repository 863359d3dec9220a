// What the fuzz targets share: a check that stops the program on the spot,
// so that libFuzzer keeps the input, a reader of the input's bytes, and an
// object of the module linked in.
#ifndef LEXIGARDE_FUZZ_VERIFIER_H
#define LEXIGARDE_FUZZ_VERIFIER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "lexigarde.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

// Names the condition and its line, so that each check says which failed.
#define VERIFIER(condition)                                                                        \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz: %s:%d: not true: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// The input, a byte at a time; zeros once it is used up.
struct Lecteur {
    const std::uint8_t *suivant, *fin;
    bool Reste() const { return suivant < fin; }
    std::uint8_t Octet() { return Reste() ? *suivant++ : 0; }
    std::size_t Choix(std::size_t nombre) { return Octet() % nombre; }
};

// An object of a class, through its factory, released again.
template <class Interface>
Interface* Creer(REFCLSID clsid, REFIID iid) {
    IClassFactory* fabrique = nullptr;
    void* objet = nullptr;
    VERIFIER(DllGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)) == S_OK);
    VERIFIER(fabrique->CreateInstance(nullptr, iid, &objet) == S_OK);
    fabrique->Release();
    return static_cast<Interface*>(objet);
}

#endif
