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
class Lecteur {
public:
    Lecteur(const std::uint8_t* donnees, std::size_t taille) : donnees_(donnees), taille_(taille) {}
    bool Reste() const { return position_ < taille_; }
    std::uint8_t Octet() { return position_ < taille_ ? donnees_[position_++] : 0; }
    std::size_t Choix(std::size_t nombre) { return Octet() % nombre; }

private:
    const std::uint8_t* donnees_;
    std::size_t taille_;
    std::size_t position_ = 0;
};

#endif
