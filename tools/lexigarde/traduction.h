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
    // `progres` is called now and then with the bytes read so far.
    Traduction(ITraduireASCIIMeta* traducteur, Codage codage, bool strict, std::FILE* sortie,
               std::function<void(std::uint64_t)> progres = {});

    // Translates one whole input. Throws Erreur on invalid UTF-8 (naming
    // the byte offset) or on a read or write error.
    void Traduire(std::FILE* entree, const std::string& nom);
    void Terminer(); // flushes the output

    const Bilan& Resultat() const { return bilan_; }

private:
    // The component's text for one byte value; `longueur` -1 until asked.
    struct Texte {
        std::array<char, 64> octets;
        int longueur = -1;
    };

    void Latin1(const unsigned char* octets, std::size_t taille, std::uint64_t position,
                const std::string& nom);
    void Caractere(std::uint32_t code, std::uint64_t position, const std::string& nom);
    const Texte& Demander(unsigned char octet);
    void Manquant(std::uint32_t code, std::uint64_t position, const std::string& nom);
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
    Bilan bilan_;
};

#endif
