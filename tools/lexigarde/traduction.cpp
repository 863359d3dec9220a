#include "traduction.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

// SSSE3 is in neither x86-64's baseline nor i686's: its path is compiled
// for it alone and taken when the processor says it has it.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define LEXIGARDE_SSSE3 1
#include <tmmintrin.h>
#endif

#include "composants.h"

namespace {

constexpr std::size_t tailleBloc = 1 << 18;
constexpr std::size_t tailleSortie = 1 << 18;
constexpr std::size_t premiersGardes = 10;

} // namespace

int LireSequence(const unsigned char* octets, std::size_t taille, std::uint32_t& code) {
    const unsigned char tete = octets[0];
    int longueur;
    std::uint32_t minimum;
    if (tete < 0x80) {
        code = tete;
        return 1;
    }
    if (tete >= 0xC2 && tete <= 0xDF) {
        code = tete & 0x1Fu;
        longueur = 2;
        minimum = 0x80;
    } else if (tete >= 0xE0 && tete <= 0xEF) {
        code = tete & 0x0Fu;
        longueur = 3;
        minimum = 0x800;
    } else if (tete >= 0xF0 && tete <= 0xF4) {
        code = tete & 0x07u;
        longueur = 4;
        minimum = 0x10000;
    } else {
        return -1;
    }
    for (int k = 1; k < longueur; ++k) {
        if (static_cast<std::size_t>(k) == taille) return 0;
        if ((octets[k] & 0xC0) != 0x80) return -1;
        code = (code << 6) | (octets[k] & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return -1;
    return longueur;
}

Traduction::Traduction(ITraduireASCIIMeta* traducteur, Codage codage, bool strict, std::FILE* sortie,
                       std::function<void(std::uint64_t)> progres)
    : codage_(codage), strict_(strict), sortie_(sortie), progres_(std::move(progres)), tampon_(tailleSortie) {
    traducteur_ = traducteur;
    Vectoriel(true);
}

void Traduction::Vectoriel(bool oui) {
#ifdef LEXIGARDE_SSSE3
    vectoriel_ = oui && __builtin_cpu_supports("ssse3");
#else
    static_cast<void>(oui);
    vectoriel_ = false;
#endif
}

void Traduction::Vider() {
    if (rempli_ != 0 && std::fwrite(tampon_.data(), 1, rempli_, sortie_) != rempli_)
        throw Erreur(std::string("cannot write the output: ") + std::strerror(errno));
    rempli_ = 0;
}

void Traduction::Terminer() {
    Vider();
    if (std::fflush(sortie_) != 0)
        throw Erreur(std::string("cannot write the output: ") + std::strerror(errno));
}

void Traduction::Echec(unsigned char octet, HRESULT hr) {
    throw Erreur("Traduire failed on character " + std::to_string(octet) + ": " + DecrireHResult(hr));
}

void Traduction::Manquant(std::uint32_t code, std::uint64_t position) {
    if (strict_) {
        throw Erreur("error: " + NomCaractere(code) + " at " + nom_ + ":" + std::to_string(position) +
                     " has no HTML text (--strict)");
    }
    if (bilan_.premiers.size() < premiersGardes) bilan_.premiers.push_back({nom_, position, code});
    ++bilan_.sansTexte;
}

void Traduction::Invalide(std::uint64_t position) const {
    throw Erreur(nom_ + ": invalid UTF-8 at byte offset " + std::to_string(position));
}

const TexteComposant* Traduction::TexteRare(unsigned char code, std::uint64_t position) {
    const TexteComposant* texte = &Texte(code);
    if (texte->longueur > 0) return texte;
    Manquant(code, position);
    return nullptr;
}

Traduction::Curseur Traduction::Prendre() {
    return {tampon_.data(), tampon_.size() - sizeof(TexteComposant::octets), rempli_};
}

void Traduction::Place(Curseur& curseur, std::size_t textes) {
    if (curseur.rempli + (textes - 1) * sizeof(TexteComposant::octets) <= curseur.limite) return;
    rempli_ = curseur.rempli;
    Vider();
    curseur.rempli = 0;
}

// One fixed 16-byte move covers every entity (a longer text takes a second,
// exact copy): the buffer keeps 64 bytes of slack for it. `vide` 1 writes
// nothing and asks nothing, without a branch: the first byte of a
// two-byte character, whose text comes with the second.
template <class Position>
inline void Traduction::EcrireLatin1(Curseur& curseur, unsigned char code, Position position, unsigned vide) {
    constexpr std::size_t court = 16;
    const TexteComposant* texte = &Connu(code);
    if (texte->longueur + 2 * static_cast<int>(vide) <= 0) { // not asked yet (-1), or no text (0)
        rempli_ = curseur.rempli;
        texte = TexteRare(code, position());
        if (texte == nullptr) return;
    }
    char* const vers = curseur.tampon + curseur.rempli;
    std::memcpy(vers, texte->octets.data(), court);
    if (texte->longueur > static_cast<int>(court))
        std::memcpy(vers, texte->octets.data(), static_cast<std::size_t>(texte->longueur));
    curseur.rempli += static_cast<std::size_t>(texte->longueur) & (std::size_t{vide} - 1);
}

void Traduction::Latin1(const unsigned char* octets, std::size_t taille) {
    Curseur curseur = Prendre();
    for (std::size_t i = 0; i < taille; ++i) {
        Place(curseur);
        EcrireLatin1(curseur, octets[i], [&] { return position_ + i; }, 0);
    }
    rempli_ = curseur.rempli;
    bilan_.caracteres += taille;
}

// Eight bytes of UTF-8 at once, as a 64-bit word whose first byte is the
// lowest: in each mask, 0x80 in the bytes that are so.
namespace {
namespace octuor {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the first byte is the word's lowest");
constexpr std::uint64_t hauts = 0x8080808080808080;
constexpr std::uint64_t uns = 0x0101010101010101;

std::uint64_t Lire(const unsigned char* octets) {
    std::uint64_t mot;
    std::memcpy(&mot, octets, sizeof mot);
    return mot;
}
// Continuation bytes, 10xxxxxx.
std::uint64_t Suites(std::uint64_t mot) { return mot & ~(mot << 1) & hauts; }
// C2 and C3, which begin the characters of Latin-1's upper half.
std::uint64_t Tetes(std::uint64_t mot) {
    const std::uint64_t ecart = (mot & ~uns) ^ (0xC2 * uns); // 0 where C2 or C3
    return ~(((ecart & ~hauts) + ~hauts) | ecart) & hauts;
}
std::size_t Compter(std::uint64_t masque) { return static_cast<std::size_t>(((masque >> 7) * uns) >> 56); }

} // namespace octuor
} // namespace

#ifdef LEXIGARDE_SSSE3
namespace {

// For each set of eight bytes to keep (a bit each), the byte shuffle that
// brings them to the front, in order, and how many they are.
struct Tassement {
    std::array<std::uint64_t, 256> indices{};
    std::array<unsigned char, 256> gardes{};
};

constexpr Tassement FaireTassement() {
    Tassement tassement{};
    for (unsigned masque = 0; masque < 256; ++masque) {
        unsigned n = 0;
        for (unsigned k = 0; k < 8; ++k) {
            if ((masque >> k & 1) == 0) continue;
            tassement.indices[masque] |= std::uint64_t{k} << (8 * n);
            ++n;
        }
        tassement.gardes[masque] = static_cast<unsigned char>(n);
    }
    return tassement;
}

constexpr Tassement tassement = FaireTassement();

// Where the Latin-1 byte `j` came from: `debuts` holds, for each sixteen
// bytes of `octets`, the index of their first Latin-1 byte. Only for a
// character without text, so it may walk.
std::size_t Origine(const unsigned char* octets, const std::uint16_t* debuts, std::size_t paquets,
                    std::size_t j) {
    const std::size_t paquet = static_cast<std::size_t>(std::upper_bound(debuts, debuts + paquets, j) - debuts) - 1;
    std::size_t reste = j - debuts[paquet];
    const unsigned char* octet = octets + 16 * paquet;
    for (;; ++octet) {
        if ((*octet & 0xFE) == 0xC2) continue; // C2 or C3: kept out
        if (reste == 0) break;
        --reste;
    }
    // A continuation byte's character starts one byte before.
    return static_cast<std::size_t>(octet - octets) - ((*octet & 0xC0) == 0x80);
}

} // namespace

// Sixteen bytes at a time while they hold only ASCII and Latin-1's upper
// half, in C2 or C3 then a continuation byte: byte masks check them, each
// continuation byte after C3 gains 0x40 (its Latin-1 code), a shuffle drops
// the C2 and C3 bytes. The Latin-1 bytes, 4 KiB at most, then go through
// Latin-1's own loop, with no cost per byte for the decoding.
__attribute__((target("ssse3"))) std::size_t Traduction::Compacter(const unsigned char* octets, std::size_t taille,
                                                                    std::uint64_t debut, std::size_t& autres) {
    constexpr std::size_t paquetsMax = 256;
    unsigned char latin1[paquetsMax * 16 + 8]; // a shuffle stores eight bytes
    std::uint16_t debuts[paquetsMax];
    const __m128i c2 = _mm_set1_epi8(static_cast<char>(0xC2));
    const __m128i c3 = _mm_set1_epi8(static_cast<char>(0xC3));
    const __m128i fe = _mm_set1_epi8(static_cast<char>(0xFE));
    const __m128i c0 = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i x80 = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i x40 = _mm_set1_epi8(0x40);
    const std::size_t paquets = std::min(taille / 16, paquetsMax);
    __m128i avant = _mm_setzero_si128(); // the sixteen bytes before
    unsigned finTete = 0;                // they end on C2 or C3
    std::size_t n = 0;
    std::size_t k = 0;
    for (; k < paquets; ++k) {
        const __m128i octets16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(octets + 16 * k));
        const __m128i precedents = _mm_alignr_epi8(octets16, avant, 15); // each byte's previous byte
        const unsigned hauts = static_cast<unsigned>(_mm_movemask_epi8(octets16));
        const unsigned tetes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(octets16, fe), c2)));
        const unsigned suites = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(octets16, c0), x80)));
        const unsigned apresTete =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(precedents, fe), c2)));
        if (((hauts ^ (tetes | suites)) | (suites ^ apresTete)) != 0) break;
        const __m128i codes = _mm_add_epi8(octets16, _mm_and_si128(_mm_cmpeq_epi8(precedents, c3), x40));
        const unsigned gardes = ~tetes & 0xFFFF;
        debuts[k] = static_cast<std::uint16_t>(n);
        const __m128i bas = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&tassement.indices[gardes & 0xFF]));
        const __m128i haut = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&tassement.indices[gardes >> 8]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(latin1 + n), _mm_shuffle_epi8(codes, bas));
        n += tassement.gardes[gardes & 0xFF];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(latin1 + n), _mm_shuffle_epi8(_mm_srli_si128(codes, 8), haut));
        n += tassement.gardes[gardes >> 8];
        avant = octets16;
        finTete = tetes >> 15;
    }
    if (k == 0) return 0;
    const std::size_t pris = 16 * k - finTete; // a character cut at the end is read again
    Curseur curseur = Prendre();
    for (std::size_t j = 0; j < n; ++j) {
        Place(curseur);
        EcrireLatin1(curseur, latin1[j], [&] { return debut + Origine(octets, debuts, k, j); }, 0);
    }
    rempli_ = curseur.rempli;
    autres += pris - n;
    return pris;
}
#else
std::size_t Traduction::Compacter(const unsigned char*, std::size_t, std::uint64_t, std::size_t&) { return 0; }
#endif

// Eight bytes at a time while they hold only ASCII and the two-byte
// characters of Latin-1's upper half (C2 or C3 and a continuation byte: all
// that French text holds), each byte through Latin-1's loop and without a
// branch on which kind it is: one character in ten of French text is
// accented, too many for a mispredicted branch each. The first byte of a
// character writes nothing; the second writes the character's text (a
// continuation byte after C3 adds 0x40 to make its code). Words follow each
// other eight bytes apart whatever they hold, so that where the next one
// starts never waits for this one's bytes. Anything else, one character at
// a time.
std::size_t Traduction::Decoder(const unsigned char* octets, std::size_t taille, std::uint64_t debut) {
    Curseur curseur = Prendre();
    std::size_t autres = 0;        // bytes that are not a character of their own
    std::uint64_t fin = 0;         // the last word's last byte, when it is C2 or C3
    std::size_t i = 0;
    while (i < taille) {
        if (taille - i >= 8) {
            const std::uint64_t mot = octuor::Lire(octets + i);
            const std::uint64_t suites = octuor::Suites(mot);
            const std::uint64_t tetes = octuor::Tetes(mot);
            const std::uint64_t autresHauts = mot & octuor::hauts & ~suites & ~tetes;
            const std::uint64_t attendues = tetes << 8 | (fin & 0x80);
            // Sixteen bytes at a time where the processor can, from a word
            // that passes: a failed try on each character of Chinese costs.
            if (((suites ^ attendues) | autresHauts) == 0 && vectoriel_ && fin == 0 && taille - i >= 16) {
                rempli_ = curseur.rempli;
                const std::size_t pris = Compacter(octets + i, taille - i, debut + i, autres);
                curseur = Prendre();
                if (pris > 0) {
                    i += pris;
                    continue;
                }
            }
            if (((suites ^ attendues) | autresHauts) == 0) {
                const std::uint64_t avant = mot << 8 | fin; // each byte's previous byte
                const std::uint64_t codes = mot | ((avant << 6) & (suites >> 1));
                Place(curseur, 8);
#pragma GCC unroll 8
                for (unsigned k = 0; k < 8; ++k) {
                    const unsigned suite = (suites >> (8 * k + 7)) & 1;
                    EcrireLatin1(curseur, static_cast<unsigned char>(codes >> 8 * k),
                                 [&] { return debut + i + k - suite; }, (tetes >> (8 * k + 7)) & 1);
                }
                autres += octuor::Compter(suites);
                fin = (mot >> 56) & (0 - (tetes >> 63));
                i += 8;
                continue;
            }
        }
        // A character the last word began is read again whole.
        if (fin != 0) {
            --i;
            fin = 0;
        }
        std::uint32_t code = 0;
        const int longueur = LireSequence(octets + i, taille - i, code);
        if (longueur <= 0) {
            rempli_ = curseur.rempli;
            if (longueur < 0) Invalide(debut + i);
            break;
        }
        // A byte-order mark opening the input (as Notepad writes) says how
        // the file is encoded: it is no text.
        const bool marque = code == 0xFEFF && debut + i == 0;
        autres += static_cast<std::size_t>(longueur) - (marque ? 0 : 1);
        Place(curseur);
        if (code <= 0xFF) {
            EcrireLatin1(curseur, static_cast<unsigned char>(code), [&] { return debut + i; }, 0);
        } else if (!marque) {
            curseur.rempli += ReferenceNumerique(code, curseur.tampon + curseur.rempli);
        }
        i += static_cast<std::size_t>(longueur);
    }
    if (fin != 0) --i; // C2 or C3 at the very end: finished by the next block
    rempli_ = curseur.rempli;
    bilan_.caracteres += i - autres;
    return i;
}

void Traduction::Utf8(const unsigned char* octets, std::size_t taille) {
    std::size_t i = 0;
    if (retenus_ > 0) {
        // The sequence the last block began, finished with this one's first
        // bytes (and whatever whole sequences follow it in those).
        const std::size_t anciens = retenus_;
        const std::size_t ajoutes = std::min(taille, retenue_.size() - anciens);
        std::memcpy(retenue_.data() + anciens, octets, ajoutes);
        const std::size_t lus = Decoder(retenue_.data(), anciens + ajoutes, position_ - anciens);
        if (lus == 0) { // still unfinished: this block was too short
            retenus_ = anciens + ajoutes;
            return;
        }
        i = lus - anciens;
    }
    i += Decoder(octets + i, taille - i, position_ + i);
    retenus_ = taille - i;
    std::memcpy(retenue_.data(), octets + i, retenus_);
}

void Traduction::Commencer(const std::string& nom) {
    nom_ = nom;
    position_ = 0;
    retenus_ = 0;
}

void Traduction::Bloc(const unsigned char* octets, std::size_t taille) {
    if (codage_ == Codage::Latin1)
        Latin1(octets, taille);
    else
        Utf8(octets, taille);
    position_ += taille;
    lus_ += taille;
    if (progres_) progres_(lus_);
}

void Traduction::Finir() {
    if (retenus_ > 0) Invalide(position_ - retenus_);
}

void Traduction::Traduire(std::FILE* entree, const std::string& nom) {
    std::vector<unsigned char> bloc(tailleBloc);
    Commencer(nom);
    for (;;) {
        const std::size_t lus = std::fread(bloc.data(), 1, bloc.size(), entree);
        if (lus == 0) break;
        Bloc(bloc.data(), lus);
    }
    if (std::ferror(entree)) throw Erreur(nom + ": read error: " + std::strerror(errno));
    Finir();
}
