// The tool's translation of any bytes, Latin-1 or UTF-8, strict or not, the
// input cut in two pieces anywhere. glibc's iconv is the independent decoder:
// the tool's decoder must find the same characters at the same offsets, and
// the same first invalid offset; the output must be exactly the component's
// texts (numeric references past U+00FF) of the characters before it, and
// the report of characters left out must name each at its offset.
//
// The first byte chooses the mode (bit 0 UTF-8, bit 1 strict), the second
// where the input is cut; the rest is the input.
#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <string>
#include <vector>

#include "fuzz/verifier.h"
#include "tools/lexigarde/composants.h"
#include "tools/lexigarde/traduction.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

namespace {

struct Point {
    std::uint32_t code;
    std::uint64_t position;
};

// The input as iconv reads it: its characters, and the offset of the first
// invalid or unfinished sequence (or the input's size).
struct Lecture {
    std::vector<Point> points;
    std::uint64_t fin;
};

Lecture LireAvecIconv(const unsigned char* octets, std::size_t taille) {
    static const iconv_t conversion = iconv_open("UTF-32LE", "UTF-8");
    VERIFIER(conversion != reinterpret_cast<iconv_t>(-1));
    iconv(conversion, nullptr, nullptr, nullptr, nullptr);
    Lecture lecture;
    char* entree = const_cast<char*>(reinterpret_cast<const char*>(octets));
    std::size_t reste = taille;
    while (reste > 0) {
        // Room for one character: each call gives one, or stops at an error.
        unsigned char code[4];
        char* sortie = reinterpret_cast<char*>(code);
        std::size_t place = sizeof code;
        const std::uint64_t position = taille - reste;
        const std::size_t resultat = iconv(conversion, &entree, &reste, &sortie, &place);
        if (place == 0)
            lecture.points.push_back({code[0] | code[1] << 8 | code[2] << 16 | std::uint32_t(code[3]) << 24, position});
        if (resultat == static_cast<std::size_t>(-1) && errno != E2BIG) {
            VERIFIER(errno == EILSEQ || errno == EINVAL);
            lecture.fin = taille - reste;
            return lecture;
        }
    }
    lecture.fin = taille;
    return lecture;
}

Lecture LireLatin1(const unsigned char* octets, std::size_t taille) {
    Lecture lecture{{}, taille};
    for (std::size_t i = 0; i < taille; ++i) lecture.points.push_back({octets[i], i});
    return lecture;
}

ITraduireASCIIMeta* Traducteur() {
    static ITraduireASCIIMeta* const traducteur = [] {
        IClassFactory* fabrique = nullptr;
        void* objet = nullptr;
        VERIFIER(DllGetClassObject(CLSID_TraducteurASCIIMeta, IID_IClassFactory,
                                   reinterpret_cast<void**>(&fabrique)) == S_OK);
        VERIFIER(fabrique->CreateInstance(nullptr, IID_ITraduireASCIIMeta, &objet) == S_OK);
        fabrique->Release();
        return static_cast<ITraduireASCIIMeta*>(objet);
    }();
    return traducteur;
}

// The component's text for a character, asked of it here.
std::string Texte(std::uint32_t code) {
    if (code > 0xFF) return "&#" + std::to_string(code) + ";";
    ResultatTraduction resultat;
    VERIFIER(Traducteur()->Traduire(static_cast<unsigned char>(code), &resultat) == S_OK);
    return std::string(resultat.texte, static_cast<std::size_t>(resultat.longueur));
}

std::string CodeEcrit(std::uint32_t code) {
    char texte[16];
    std::snprintf(texte, sizeof texte, "U+%04X", static_cast<unsigned>(code));
    return texte;
}

// The tool's decoder alone, on the whole input.
void VerifierDecodeur(const unsigned char* octets, std::size_t taille, const Lecture& attendue) {
    DecodeurUtf8 decodeur;
    std::size_t suivant = 0;
    for (std::size_t i = 0; i < taille; ++i) {
        const DecodeurUtf8::Etape etape = decodeur.Octet(octets[i], i);
        if (etape == DecodeurUtf8::Etape::Invalide) {
            VERIFIER(decodeur.Debut() == attendue.fin);
            VERIFIER(suivant == attendue.points.size());
            return;
        }
        if (etape == DecodeurUtf8::Etape::Caractere) {
            VERIFIER(suivant < attendue.points.size());
            VERIFIER(decodeur.Code() == attendue.points[suivant].code);
            VERIFIER(decodeur.Debut() == attendue.points[suivant].position);
            ++suivant;
        }
    }
    VERIFIER(suivant == attendue.points.size());
    VERIFIER(decodeur.EnCours() == (attendue.fin < taille));
    if (decodeur.EnCours()) VERIFIER(decodeur.Debut() == attendue.fin);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    if (taille < 2) return 0;
    const bool utf8 = (donnees[0] & 1) != 0;
    const bool strict = (donnees[0] & 2) != 0;
    const unsigned char* octets = donnees + 2;
    taille -= 2;
    const std::size_t coupe = donnees[1] % (taille + 1);
    const Lecture attendue = utf8 ? LireAvecIconv(octets, taille) : LireLatin1(octets, taille);
    if (utf8) VerifierDecodeur(octets, taille, attendue);

    // What the tool must write and report, character by character, up to
    // the first error.
    std::string sortieAttendue;
    std::string erreurAttendue;
    std::vector<Point> sansTexte;
    for (const Point& point : attendue.points) {
        const std::string texte = Texte(point.code);
        if (texte.empty() && strict) {
            erreurAttendue = "error: " + CodeEcrit(point.code) + " at entree:" + std::to_string(point.position) +
                             " has no HTML text (--strict)";
            break;
        }
        if (texte.empty()) sansTexte.push_back(point);
        sortieAttendue += texte;
    }
    if (erreurAttendue.empty() && attendue.fin < taille)
        erreurAttendue = "entree: invalid UTF-8 at byte offset " + std::to_string(attendue.fin);

    char* ecrits = nullptr;
    std::size_t tailleEcrite = 0;
    std::FILE* sortie = open_memstream(&ecrits, &tailleEcrite);
    VERIFIER(sortie != nullptr);
    std::string erreur;
    {
        Traduction traduction(Traducteur(), utf8 ? Codage::Utf8 : Codage::Latin1, strict, sortie);
        try {
            traduction.Commencer("entree");
            traduction.Bloc(octets, coupe);
            traduction.Bloc(octets + coupe, taille - coupe);
            traduction.Finir();
        } catch (const Erreur& e) {
            erreur = e.what();
        }
        traduction.Terminer();
        if (erreur.empty()) {
            const Bilan& bilan = traduction.Resultat();
            VERIFIER(bilan.caracteres == attendue.points.size());
            VERIFIER(bilan.sansTexte == sansTexte.size());
            VERIFIER(bilan.premiers.size() == std::min<std::size_t>(sansTexte.size(), 10));
            for (std::size_t i = 0; i < bilan.premiers.size(); ++i) {
                VERIFIER(bilan.premiers[i].source == "entree");
                VERIFIER(bilan.premiers[i].caractere == sansTexte[i].code);
                VERIFIER(bilan.premiers[i].position == sansTexte[i].position);
            }
        }
    }
    VERIFIER(erreur == erreurAttendue);
    VERIFIER(std::string(ecrits, tailleEcrite) == sortieAttendue);
    std::fclose(sortie);
    std::free(ecrits);
    return 0;
}
