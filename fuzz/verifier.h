// What the fuzz targets share: a check that stops the program on the spot,
// so that libFuzzer keeps the input, and a reader of the input's bytes.
#ifndef LEXIGARDE_FUZZ_VERIFIER_H
#define LEXIGARDE_FUZZ_VERIFIER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void Echouer(const char* fichier, int ligne, const char* condition) {
    std::fprintf(stderr, "fuzz: %s:%d: not true: %s\n", fichier, ligne, condition);
    std::abort();
}

// An expression, so that a target may end a void function on it.
#define VERIFIER(condition) ((condition) ? (void)0 : Echouer(__FILE__, __LINE__, #condition))

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
