#include "traduction.h"

#include <cerrno>
#include <cstring>

#include "composants.h"

namespace {

constexpr std::size_t tailleBloc = 1 << 18;
constexpr std::size_t tailleSortie = 1 << 18;
constexpr std::size_t premiersGardes = 10;

} // namespace

DecodeurUtf8::Etape DecodeurUtf8::Octet(unsigned char octet, std::uint64_t position) {
    if (restants_ > 0) {
        if ((octet & 0xC0) != 0x80) return Etape::Invalide;
        code_ = (code_ << 6) | (octet & 0x3F);
        if (--restants_ > 0) return Etape::Suite;
        if (code_ < minimum_ || code_ > 0x10FFFF || (code_ >= 0xD800 && code_ <= 0xDFFF)) return Etape::Invalide;
        return Etape::Caractere;
    }
    debut_ = position;
    if (octet < 0x80) {
        code_ = octet;
        return Etape::Caractere;
    }
    if (octet >= 0xC2 && octet <= 0xDF) {
        code_ = octet & 0x1F;
        restants_ = 1;
        minimum_ = 0x80;
    } else if (octet >= 0xE0 && octet <= 0xEF) {
        code_ = octet & 0x0F;
        restants_ = 2;
        minimum_ = 0x800;
    } else if (octet >= 0xF0 && octet <= 0xF4) {
        code_ = octet & 0x07;
        restants_ = 3;
        minimum_ = 0x10000;
    } else {
        return Etape::Invalide;
    }
    return Etape::Suite;
}

Traduction::Traduction(ITraduireASCIIMeta* traducteur, Codage codage, bool strict, std::FILE* sortie,
                       std::function<void(std::uint64_t)> progres)
    : traducteur_(traducteur), codage_(codage), strict_(strict), sortie_(sortie),
      progres_(std::move(progres)), tampon_(tailleSortie) {}

void Traduction::Vider() {
    if (rempli_ != 0 && std::fwrite(tampon_.data(), 1, rempli_, sortie_) != rempli_)
        throw Erreur(std::string("cannot write the output: ") + std::strerror(errno));
    rempli_ = 0;
}

void Traduction::Ecrire(const char* octets, std::size_t taille) {
    if (rempli_ + taille > tampon_.size()) Vider();
    std::memcpy(tampon_.data() + rempli_, octets, taille);
    rempli_ += taille;
}

void Traduction::Terminer() {
    Vider();
    if (std::fflush(sortie_) != 0)
        throw Erreur(std::string("cannot write the output: ") + std::strerror(errno));
}

// The component's answer for a byte never changes: it is asked once for
// each byte value met, and its text kept.
const Traduction::Texte& Traduction::Demander(unsigned char octet) {
    ResultatTraduction resultat;
    const HRESULT hr = traducteur_->Traduire(octet, &resultat);
    if (FAILED(hr) || resultat.longueur < 0 || resultat.longueur > 64)
        throw Erreur("Traduire failed on character " + std::to_string(octet) + ": " + DecrireHResult(hr));
    Texte& texte = textes_[octet];
    std::memcpy(texte.octets.data(), resultat.texte, static_cast<std::size_t>(resultat.longueur));
    texte.longueur = resultat.longueur;
    return texte;
}

void Traduction::Manquant(std::uint32_t code, std::uint64_t position) {
    if (strict_) {
        char texte[32];
        std::snprintf(texte, sizeof texte, "U+%04X at ", static_cast<unsigned>(code));
        throw Erreur("error: " + std::string(texte) + nom_ + ":" + std::to_string(position) +
                     " has no HTML text (--strict)");
    }
    if (bilan_.premiers.size() < premiersGardes) bilan_.premiers.push_back({nom_, position, code});
    ++bilan_.sansTexte;
}

void Traduction::Invalide(std::uint64_t position) const {
    throw Erreur(nom_ + ": invalid UTF-8 at byte offset " + std::to_string(position));
}

// The hot loop: one table load per byte and a fixed-size move.
void Traduction::Latin1(const unsigned char* octets, std::size_t taille) {
    constexpr std::size_t court = 16; // covers every entity in one move
    char* tampon = tampon_.data();
    const std::size_t limite = tampon_.size() - sizeof(Texte::octets);
    std::size_t rempli = rempli_;
    for (std::size_t i = 0; i < taille; ++i) {
        const Texte* texte = &textes_[octets[i]];
        if (texte->longueur <= 0) {
            if (texte->longueur < 0) texte = &Demander(octets[i]);
            if (texte->longueur == 0) {
                rempli_ = rempli;
                Manquant(octets[i], position_ + i);
                continue;
            }
        }
        if (rempli > limite) {
            rempli_ = rempli;
            Vider();
            rempli = 0;
        }
        std::memcpy(tampon + rempli, texte->octets.data(), court);
        if (texte->longueur > static_cast<int>(court))
            std::memcpy(tampon + rempli, texte->octets.data(), static_cast<std::size_t>(texte->longueur));
        rempli += static_cast<std::size_t>(texte->longueur);
    }
    rempli_ = rempli;
    bilan_.caracteres += taille;
}

void Traduction::Utf8(const unsigned char* octets, std::size_t taille) {
    for (std::size_t i = 0; i < taille; ++i) {
        switch (decodeur_.Octet(octets[i], position_ + i)) {
        case DecodeurUtf8::Etape::Suite:
            break;
        case DecodeurUtf8::Etape::Caractere:
            Caractere(decodeur_.Code(), decodeur_.Debut());
            break;
        case DecodeurUtf8::Etape::Invalide:
            Invalide(decodeur_.Debut());
        }
    }
}

void Traduction::Caractere(std::uint32_t code, std::uint64_t position) {
    ++bilan_.caracteres;
    if (code > 0xFF) {
        // Beyond Latin-1 the component has nothing to say; HTML's numeric
        // reference keeps the character.
        char reference[16];
        const int n = std::snprintf(reference, sizeof reference, "&#%u;", static_cast<unsigned>(code));
        Ecrire(reference, static_cast<std::size_t>(n));
        return;
    }
    const Texte* texte = &textes_[code];
    if (texte->longueur < 0) texte = &Demander(static_cast<unsigned char>(code));
    if (texte->longueur == 0) return Manquant(code, position);
    Ecrire(texte->octets.data(), static_cast<std::size_t>(texte->longueur));
}

void Traduction::Commencer(const std::string& nom) {
    nom_ = nom;
    position_ = 0;
    decodeur_ = DecodeurUtf8();
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
    if (decodeur_.EnCours()) Invalide(decodeur_.Debut());
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
