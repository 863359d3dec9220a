#ifndef LEXIGARDE_TRANSLATION_TABLE_ENTITES_H
#define LEXIGARDE_TRANSLATION_TABLE_ENTITES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// The HTML text of each of the 256 Latin-1 characters, worked out once at
// load so that a translation is one index and one copy. Each text sits in a
// fixed slot of 8 bytes: the longest ("&Agrave;") fills one exactly.
class TableEntites {
public:
    static constexpr std::size_t tailleEmplacement = 8;

    TableEntites();
    TableEntites(const TableEntites&) = delete;
    TableEntites& operator=(const TableEntites&) = delete;

    std::string_view Texte(unsigned char caractere) const {
        return {emplacements[caractere], longueurs[caractere]};
    }

    // Copies the text's own bytes, and no others, to `destination` (room for
    // a slot) and returns their number. Inline and without a call to memcpy:
    // a single character (most of any text) first, else two overlapping
    // 4-byte moves, which cover every named text (4 to 8 bytes: the table
    // checks it at compile time).
    std::size_t Copier(unsigned char caractere, char* destination) const {
        const char* source = emplacements[caractere];
        const std::size_t longueur = longueurs[caractere];
        if (longueur == 1) {
            destination[0] = source[0];
        } else if (longueur != 0) {
            std::uint32_t debut, fin;
            std::memcpy(&debut, source, 4);
            std::memcpy(&fin, source + longueur - 4, 4);
            std::memcpy(destination, &debut, 4);
            std::memcpy(destination + longueur - 4, &fin, 4);
        }
        return longueur;
    }

private:
    char emplacements[256][tailleEmplacement];
    unsigned char longueurs[256];
};

extern const TableEntites tableEntites;

#endif
