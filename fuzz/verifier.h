// What the fuzz targets share: a check that stops the program on the spot,
// so that libFuzzer keeps the input, and a reader of the input's bytes.
#ifndef LEXIGARDE_FUZZ_VERIFIER_H
#define LEXIGARDE_FUZZ_VERIFIER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// An expression, so that a target may end a void function on it.
#define VERIFIER(condition)                                                                              \
    ((condition) ? (void)0                                                                               \
                 : (std::fprintf(stderr, "fuzz: %s:%d: not true: %s\n", __FILE__, __LINE__, #condition), \
                    std::abort()))

// The input, a byte at a time; zeros once it is used up.
struct Lecteur {
    const std::uint8_t *suivant, *fin;
    bool Reste() const { return suivant < fin; }
    std::uint8_t Octet() { return suivant < fin ? *suivant++ : 0; }
    std::size_t Choix(std::size_t nombre) { return Octet() % nombre; }
};

#endif
