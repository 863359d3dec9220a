// The tool's translation of any bytes, Latin-1 or UTF-8, strict or not, cut
// in two pieces anywhere (the first byte chooses the mode, the second the
// cut). glibc's iconv is the independent decoder: the tool's must find the
// same characters at the same offsets and the same first invalid offset; the
// output must be exactly the component's texts (numeric references past
// U+00FF) of the characters before it, each left out named at its offset;
// a UTF-8 byte-order mark opening the input gives nothing. Each input goes
// through both UTF-8 paths: sixteen bytes at a time (SSSE3) and any
// processor's.
#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <string>
#include <vector>

#include "fuzz/verifier.h"
#include "tools/lexigarde/composants.h"
#include "tools/lexigarde/traduction.h"

namespace {

struct Point {
    std::uint32_t code;
    std::uint64_t position;
};

// The characters iconv reads, one call each, up to the first invalid or
// unfinished sequence, whose offset goes to `fin`.
std::vector<Point> LireAvecIconv(const unsigned char* octets, std::size_t taille, std::size_t& fin) {
    static const iconv_t conversion = iconv_open("UTF-32LE", "UTF-8");
    iconv(conversion, nullptr, nullptr, nullptr, nullptr);
    std::vector<Point> points;
    char* entree = const_cast<char*>(reinterpret_cast<const char*>(octets));
    std::size_t reste = taille;
    while (reste > 0) {
        std::uint32_t code = 0; // little-endian, as this machine
        char* sortie = reinterpret_cast<char*>(&code);
        std::size_t place = sizeof code;
        const std::size_t position = taille - reste;
        const bool erreur = iconv(conversion, &entree, &reste, &sortie, &place) == static_cast<std::size_t>(-1);
        if (place == 0) points.push_back({code, position});
        if (erreur && errno != E2BIG) break;
    }
    fin = taille - reste;
    return points;
}

std::string Texte(ITraduireASCIIMeta* traducteur, std::uint32_t code) {
    if (code > 0xFF) return "&#" + std::to_string(code) + ";";
    ResultatTraduction resultat;
    VERIFIER(traducteur->Traduire(static_cast<unsigned char>(code), &resultat) == S_OK);
    return std::string(resultat.texte, static_cast<std::size_t>(resultat.longueur));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static ITraduireASCIIMeta* const traducteur =
        Creer<ITraduireASCIIMeta>(CLSID_TraducteurASCIIMeta, IID_ITraduireASCIIMeta);
    if (taille < 2) return 0;
    const bool utf8 = (donnees[0] & 1) != 0;
    const bool strict = (donnees[0] & 2) != 0;
    const unsigned char* octets = donnees + 2;
    taille -= 2;
    std::size_t fin = taille;
    std::vector<Point> points;
    for (std::size_t i = 0; !utf8 && i < taille; ++i) points.push_back({octets[i], i});
    if (utf8) points = LireAvecIconv(octets, taille, fin);
    // A byte-order mark opening UTF-8 input is no text.
    if (utf8 && !points.empty() && points[0].position == 0 && points[0].code == 0xFEFF) points.erase(points.begin());

    // What the tool must write and report, up to the first error.
    std::string attendue;
    std::string erreurAttendue = fin < taille ? "entree: invalid UTF-8 at byte offset " + std::to_string(fin) : "";
    std::vector<SansTexte> sansTexte;
    std::uint64_t manquants = 0;
    for (const Point& point : points) {
        const std::string texte = Texte(traducteur, point.code);
        if (texte.empty() && strict) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(point.code));
            erreurAttendue = "error: " + std::string(code) + " at entree:" + std::to_string(point.position) +
                             " has no HTML text (--strict)";
            break;
        }
        manquants += texte.empty();
        if (texte.empty() && sansTexte.size() < 10) sansTexte.push_back({"entree", point.position, point.code});
        attendue += texte;
    }

    // Both UTF-8 paths, the processor's and any processor's.
    for (const bool vectoriel : {true, false}) {
        char* ecrits = nullptr;
        std::size_t tailleEcrite = 0;
        std::FILE* sortie = open_memstream(&ecrits, &tailleEcrite);
        std::string erreur;
        Traduction traduction(traducteur, utf8 ? Codage::Utf8 : Codage::Latin1, strict, sortie);
        traduction.Vectoriel(vectoriel);
        try {
            const std::size_t coupe = donnees[1] % (taille + 1);
            traduction.Commencer("entree");
            traduction.Bloc(octets, coupe);
            traduction.Bloc(octets + coupe, taille - coupe);
            traduction.Finir();
        } catch (const Erreur& e) {
            erreur = e.what();
        }
        traduction.Terminer();
        VERIFIER(erreur == erreurAttendue);
        VERIFIER(std::string(ecrits, tailleEcrite) == attendue);
        const Bilan& bilan = traduction.Resultat();
        VERIFIER(!erreur.empty() || bilan.caracteres == points.size());
        VERIFIER(!erreur.empty() || bilan.sansTexte == manquants);
        for (std::size_t i = 0; erreur.empty() && i < sansTexte.size(); ++i) {
            VERIFIER(bilan.premiers[i].position == sansTexte[i].position);
            VERIFIER(bilan.premiers[i].caractere == sansTexte[i].caractere);
        }
        std::fclose(sortie);
        std::free(ecrits);
    }
    return 0;
}
