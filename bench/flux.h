// The inputs of the benchmarks, drawn with fixed seeds so that every run
// and every program (timings, callgrind) sees the same ones.
#ifndef LEXIGARDE_BENCH_FLUX_H
#define LEXIGARDE_BENCH_FLUX_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A long shuffled stream of words as Valider meets them: keywords,
// identifiers from C++ code, near misses, later keywords and alternative
// operator spellings, a few long words and words with bytes of 128 and more.
// Long, so that the branch predictor cannot learn it.
struct FluxMots {
    std::vector<std::string> reserve; // the pool the stream is drawn from
    std::vector<const char*> mots;    // the stream, pointing into the pool
    std::size_t motsCles = 0;         // how many of the stream are keywords
};

constexpr std::size_t tailleFluxMots = std::size_t{1} << 16;
const FluxMots& FluxDeMots();

// The 63 keywords, sorted by unsigned bytes, then length.
const std::vector<std::string>& MotsClesTries();

// French prose in ISO 8859-1 (accented letters, angle quotes, now and then
// a <, > or &), `taille` bytes, the same for a given size.
std::string TexteFrancaisLatin1(std::size_t taille);

// The same text in UTF-8.
std::string EnUtf8(const std::string& latin1);

// Chinese prose with emoji now and then, in UTF-8: almost every character
// past U+00FF (numeric references), `taille` bytes, the same for a given
// size.
std::string TexteCjkUtf8(std::size_t taille);

constexpr std::size_t tailleFluxTexte = std::size_t{1} << 16;
const std::string& FluxDeTexte();

#endif
