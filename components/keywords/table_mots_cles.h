#ifndef LEXIGARDE_KEYWORDS_TABLE_MOTS_CLES_H
#define LEXIGARDE_KEYWORDS_TABLE_MOTS_CLES_H

#include <string>
#include <string_view>
#include <vector>

// The 63 keywords of C++98, sorted once at load by unsigned bytes so that a
// lookup is a binary search. Read-only afterwards, so shared without a lock.
class TableMotsCles {
public:
    TableMotsCles();
    TableMotsCles(const TableMotsCles&) = delete;
    TableMotsCles& operator=(const TableMotsCles&) = delete;

    // Lower bound, then one equality test, on the NUL-terminated word as it
    // comes: no strlen, no copy, no call per probe.
    bool EstMotCle(const char* mot) const;

    const std::vector<std::string>& Mots() const { return mots; }

    // The one ordering of words: unsigned bytes, then length. No case
    // folding, no locale.
    static bool Precede(std::string_view a, std::string_view b);

private:
    std::vector<std::string> mots;
    // The same words in the same order, as C strings in one small block: a
    // probe reads one pointer, then the word's bytes.
    std::vector<const char*> adresses;
};

extern const TableMotsCles tableMotsCles;

#endif
