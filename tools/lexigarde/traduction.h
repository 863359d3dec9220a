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
#include "text/texte_html.h"

enum class Codage { Latin1, Utf8 };

// The UTF-8 sequence at the start of `octets` (`taille` bytes, at least
// one): its length, with the character in `code`; 0 when the bytes end
// before the sequence does, all of them right so far; -1 when it is
// invalid. Only the well-formed sequences of Unicode give a character: no
// overlong form, no surrogate, nothing past U+10FFFF.
int LireSequence(const unsigned char* octets, std::size_t taille, std::uint32_t& code);

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

// The rules for each character are the shared ones (text/texte_html.h); this
// adds the input's decoding, the output's buffer and the report.
class Traduction : private TexteHTML {
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

    // UTF-8 sixteen bytes at a time (SSSE3), the default where the processor
    // has it; false takes the path of any processor. For the fuzz target,
    // which must run both.
    void Vectoriel(bool oui);

    const Bilan& Resultat() const { return bilan_; }

private:
    void Latin1(const unsigned char* octets, std::size_t taille);
    void Utf8(const unsigned char* octets, std::size_t taille);
    // Translates the whole sequences of `octets`, whose first byte lies at
    // `debut` in the input, and returns how many bytes they take: all but an
    // unfinished sequence at the end.
    std::size_t Decoder(const unsigned char* octets, std::size_t taille, std::uint64_t debut);
    // The leading run of `octets` that holds only ASCII and Latin-1's upper
    // half, turned into Latin-1 sixteen bytes at a time then translated by
    // Latin-1's loop: returns the bytes it took, adding to `autres` those
    // that are no character of their own.
    std::size_t Compacter(const unsigned char* octets, std::size_t taille, std::uint64_t debut,
                          std::size_t& autres);
    // The text of Latin-1 code `code` when the table does not have it yet or
    // it is empty: asks the component; null for a character without text,
    // which is left out and counted (or, strict, an error).
    const TexteComposant* TexteRare(unsigned char code, std::uint64_t position);
    [[noreturn]] void Echec(unsigned char octet, HRESULT hr) override;
    // The output as the hot loops hold it: in locals, for a store into the
    // buffer could otherwise be taken to change the members, which would be
    // read again after every character. Written back to rempli_ before
    // anything that may flush or throw.
    struct Curseur {
        char* tampon;
        std::size_t limite; // past it, no room for the longest text
        std::size_t rempli;
    };
    Curseur Prendre();
    // Flushes unless `textes` of the longest text fit.
    void Place(Curseur& curseur, std::size_t textes = 1);
    // `position()` gives the byte offset, asked only for a character
    // without text.
    template <class Position>
    void EcrireLatin1(Curseur& curseur, unsigned char code, Position position, unsigned vide);
    void Manquant(std::uint32_t code, std::uint64_t position);
    [[noreturn]] void Invalide(std::uint64_t position) const;
    void Vider();

    Codage codage_;
    bool strict_;
    std::FILE* sortie_;
    std::function<void(std::uint64_t)> progres_;
    std::vector<char> tampon_;
    std::size_t rempli_ = 0;
    std::uint64_t lus_ = 0;
    // The input being translated.
    std::string nom_;
    std::uint64_t position_ = 0;
    // A UTF-8 sequence the last block began and did not finish.
    std::array<unsigned char, 4> retenue_;
    std::size_t retenus_ = 0;
    bool vectoriel_;
    Bilan bilan_;
};

#endif
