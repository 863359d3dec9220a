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
        if (code_ < minimum_ || code_ > 0x10FFFF || (code_ >= 0xD800 && code_ <= 0xDFFF))
            return Etape::Invalide;
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
    : codage_(codage), strict_(strict), sortie_(sortie), progres_(std::move(progres)), tampon_(tailleSortie) {
    traducteur_ = traducteur;
}

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

// The hot loop: one table load per byte and a fixed-size move.
void Traduction::Latin1(const unsigned char* octets, std::size_t taille) {
    constexpr std::size_t court = 16; // covers every entity in one move
    char* tampon = tampon_.data();
    const std::size_t limite = tampon_.size() - sizeof(TexteComposant::octets);
    std::size_t rempli = rempli_;
    for (std::size_t i = 0; i < taille; ++i) {
        const TexteComposant* texte = &Connu(octets[i]);
        if (texte->longueur <= 0) {
            if (texte->longueur < 0) texte = &Texte(octets[i]);
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
    const std::string_view html = Html(code);
    if (html.empty()) return Manquant(code, position);
    Ecrire(html.data(), html.size());
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
