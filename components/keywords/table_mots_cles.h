#ifndef LEXIGARDE_KEYWORDS_TABLE_MOTS_CLES_H
#define LEXIGARDE_KEYWORDS_TABLE_MOTS_CLES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// The 63 keywords of C++98, sorted once at load by unsigned bytes. Read-only
// afterwards, so shared without a lock.
class TableMotsCles {
public:
    TableMotsCles();
    TableMotsCles(const TableMotsCles&) = delete;
    TableMotsCles& operator=(const TableMotsCles&) = delete;

    // Whether the NUL-terminated word equals an entry: the answer of a lower
    // bound over the sorted words and one equality test. An index made from
    // the table narrows it to the entries of the word's length, first and
    // last bytes (one entry; two for four of the words), each compared as two
    // integers. Inline, so that Valider pays no call for it.
    bool EstMotCle(const char* mot) const {
        // strlen reads the word to its NUL and no further. An empty word (its
        // length less one wraps) or one longer than every entry equals none.
        const std::size_t longueur = std::strlen(mot);
        if (longueur - 1 >= longueurMax) return false;
        const char* const* candidat = candidats.data() + groupes[Cle(mot, longueur)];
        if (*candidat == nullptr) return false;
        if (longueur >= 8) return Comparer<std::uint64_t>(mot, longueur - 8, candidat);
        if (longueur >= 4) return Comparer<std::uint32_t>(mot, longueur - 4, candidat);
        // One to three bytes: the second pair ends with the NUL, which the
        // word and the entry both have there.
        return Comparer<std::uint16_t>(mot, longueur - 1, candidat);
    }

    const std::vector<std::string>& Mots() const { return mots; }

    // The one ordering of words: unsigned bytes, then length. No case
    // folding, no locale.
    static bool Precede(std::string_view a, std::string_view b);

private:
    // The index's key of a word that has a byte: its length, then its
    // first byte plus eight times its last, modulo 256, which sets the 63
    // entries apart but for two pairs. Any key would give the same answers.
    static std::size_t Cle(const char* mot, std::size_t longueur) {
        const auto premier = static_cast<unsigned char>(mot[0]);
        const auto dernier = static_cast<unsigned char>(mot[longueur - 1]);
        return longueur * 256 + ((premier + dernier * 8u) & 255u);
    }

    // Unaligned bytes as one integer, in the machine's order: only compared
    // for equality.
    template <class Entier>
    static Entier Lire(const char* octets) {
        Entier valeur;
        std::memcpy(&valeur, octets, sizeof valeur);
        return valeur;
    }

    // Whether an entry of the group, all of the word's length, equals the
    // word: its first and its last bytes, read as two integers that may
    // overlap and together cover the word.
    template <class Entier>
    static bool Comparer(const char* mot, std::size_t fin, const char* const* candidat) {
        const Entier tete = Lire<Entier>(mot);
        const Entier queue = Lire<Entier>(mot + fin);
        do {
            if (((Lire<Entier>(*candidat) ^ tete) | (Lire<Entier>(*candidat + fin) ^ queue)) == 0)
                return true;
        } while (*++candidat != nullptr);
        return false;
    }

    std::vector<std::string> mots;
    // Made from the sorted words at load, never typed by hand. groupes, by
    // key, gives where the key's entries start in candidats: C strings of
    // the table in its order, each group ended by a null pointer, and the
    // keys of no entry all at the null pointer that starts it. The longest
    // entry bounds the keys; 63 entries fit the positions in a byte.
    std::size_t longueurMax = 0;
    std::vector<std::uint8_t> groupes;
    std::vector<const char*> candidats;
};

extern const TableMotsCles tableMotsCles;

#endif
