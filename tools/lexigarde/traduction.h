// Translating a stream of Latin-1 (or UTF-8) text into HTML in fixed-size
// buffers: memory does not grow with the input.
#ifndef LEXIGARDE_OUTIL_TRADUCTION_H
#define LEXIGARDE_OUTIL_TRADUCTION_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "lexigarde.h"

enum class Codage { Latin1, Utf8 };

// UTF-8 read a byte at a time, so that a character may straddle two blocks.
// Only the well-formed sequences of Unicode give a character: no overlong
// form, no surrogate, nothing past U+10FFFF.
class DecodeurUtf8 {
public:
    enum class Etape { Suite, Caractere, Invalide };

    // Takes the byte at `position` of the input. After Caractere, Code() is
    // the character; after Invalide, the input is wrong at Debut().
    Etape Octet(unsigned char octet, std::uint64_t position);
    // A sequence is begun and not finished: at the end of the input, it is
    // invalid at Debut().
    bool EnCours() const { return restants_ > 0; }
    std::uint32_t Code() const { return code_; }
    std::uint64_t Debut() const { return debut_; }

private:
    std::uint32_t code_ = 0;
    std::uint32_t minimum_ = 0;
    int restants_ = 0;
    std::uint64_t debut_ = 0;
};

// A character the component gave no text for.
struct SansTexte {
    std::string source;      // the input's name
    std::uint64_t position;  // byte offset of the character in that input
    std::uint32_t caractere; // its code
};

struct Bilan {
    std::uint64_t caracteres = 0;
    std::uint64_t sansTexte = 0;
    std::vector<SansTexte> premiers; // the first few, for the report
};

class Traduction {
public:
    // `strict`: the first character without text is an error (Erreur).
    // `progres` is called after each block with the bytes read so far, all
    // inputs together.
    Traduction(ITraduireASCIIMeta* traducteur, Codage codage, bool strict, std::FILE* sortie,
               std::function<void(std::uint64_t)> progres = {});

    // Translates one whole input. Throws Erreur on invalid UTF-8 (naming
    // the byte offset) or on a read or write error.
    void Traduire(std::FILE* entree, const std::string& nom);

    // The same, for an input that comes in pieces: Commencer, then Bloc for
    // each piece in order, then Finir.
    void Commencer(const std::string& nom);
    void Bloc(const unsigned char* octets, std::size_t taille);
    void Finir();

    void Terminer(); // flushes the output

    const Bilan& Resultat() const { return bilan_; }

private:
    // The component's text for one byte value; `longueur` -1 until asked.
    struct Texte {
        std::array<char, 64> octets;
        int longueur = -1;
    };

    void Latin1(const unsigned char* octets, std::size_t taille);
    void Utf8(const unsigned char* octets, std::size_t taille);
    // The rule for one character, decoded: the component's text up to
    // U+00FF, HTML's numeric reference past it; a character without text is
    // left out and counted (or, strict, an error).
    void Caractere(std::uint32_t code, std::uint64_t position);
    const Texte& Demander(unsigned char octet);
    void Manquant(std::uint32_t code, std::uint64_t position);
    [[noreturn]] void Invalide(std::uint64_t position) const;
    void Ecrire(const char* octets, std::size_t taille);
    void Vider();

    ITraduireASCIIMeta* traducteur_;
    Codage codage_;
    bool strict_;
    std::FILE* sortie_;
    std::function<void(std::uint64_t)> progres_;
    std::array<Texte, 256> textes_;
    std::vector<char> tampon_;
    std::size_t rempli_ = 0;
    std::uint64_t lus_ = 0;
    // The input being translated.
    std::string nom_;
    std::uint64_t position_ = 0;
    DecodeurUtf8 decodeur_;
    Bilan bilan_;
};

#endif
