#ifndef LEXIGARDE_TRANSLATION_TABLE_ENTITES_H
#define LEXIGARDE_TRANSLATION_TABLE_ENTITES_H

#include <array>
#include <string>

// The HTML text of each of the 256 Latin-1 characters, worked out once at
// load so that a translation is one index and one copy.
class TableEntites {
public:
    TableEntites();
    TableEntites(const TableEntites&) = delete;
    TableEntites& operator=(const TableEntites&) = delete;

    const std::string& Texte(unsigned char caractere) const { return textes[caractere]; }

private:
    std::array<std::string, 256> textes;
};

extern const TableEntites tableEntites;

#endif
