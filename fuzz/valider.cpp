// Valider on any bytes: the word is what comes before the first NUL, and the
// answer must be whether it is one of the 63 keywords of C++98 (the tests'
// own list), in one byte, the bytes beside it left alone (null pointers: the apartment client's
// Refuser, on the object itself and through proxies). The word sits in a block of its exact size,
// so that a read past its NUL shows under AddressSanitizer.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "fuzz/verifier.h"
#include "tests/support/mots_cles_cpp98.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static IValiderMotsCles* const validateur =
        Creer<IValiderMotsCles>(CLSID_Lexigarde, IID_IValiderMotsCles);
    const std::unique_ptr<char[]> mot(new char[taille + 1]);
    if (taille != 0) std::memcpy(mot.get(), donnees, taille);
    mot[taille] = 0;
    unsigned char reponse[3] = {0xA5, 0xA5, 0xA5}; // the answer, and the caller's bytes around it
    VERIFIER(validateur->Valider(mot.get(), reinterpret_cast<bool*>(&reponse[1])) == S_OK);
    const auto fin = std::end(motsClesCpp98);
    const bool motCle = std::find(std::begin(motsClesCpp98), fin, std::string_view(mot.get())) != fin;
    VERIFIER(reponse[0] == 0xA5);
    VERIFIER(reponse[1] == motCle);
    VERIFIER(reponse[2] == 0xA5);
    return 0;
}
