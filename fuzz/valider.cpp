// Valider on any bytes: the word is what comes before the first NUL, and the
// answer must be that of a lower bound over the module's sorted table (which
// must hold the 63 keywords of C++98 in unsigned byte order), in one byte,
// the bytes beside it left alone. Null pointers are refused once, at
// creation: a null word with the answer false, as the proxy carries it back.
// The word sits in a block of its exact size, so that a read past its NUL
// shows under AddressSanitizer.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "components/keywords/table_mots_cles.h"
#include "fuzz/verifier.h"
#include "lexigarde.h"
#include "tests/support/mots_cles_cpp98.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static const std::vector<std::string>& table = []() -> const std::vector<std::string>& {
        const auto& mots = tableMotsCles.Mots();
        VERIFIER(std::equal(mots.begin(), mots.end(), std::begin(motsClesCpp98), std::end(motsClesCpp98)));
        return mots;
    }();
    static IValiderMotsCles* const validateur = [] {
        IClassFactory* fabrique = nullptr;
        void* objet = nullptr;
        VERIFIER(DllGetClassObject(CLSID_Lexigarde, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)) ==
                 S_OK);
        VERIFIER(fabrique->CreateInstance(nullptr, IID_IValiderMotsCles, &objet) == S_OK);
        fabrique->Release();
        auto* creee = static_cast<IValiderMotsCles*>(objet);
        bool reponse = true;
        VERIFIER(creee->Valider(nullptr, &reponse) == E_POINTER);
        VERIFIER(!reponse);
        VERIFIER(creee->Valider("if", nullptr) == E_POINTER);
        return creee;
    }();
    const std::unique_ptr<char[]> mot(new char[taille + 1]);
    if (taille != 0) std::memcpy(mot.get(), donnees, taille);
    mot[taille] = 0;
    unsigned char reponse[3] = {0xA5, 0xA5, 0xA5}; // the answer, and the caller's bytes around it
    VERIFIER(validateur->Valider(mot.get(), reinterpret_cast<bool*>(&reponse[1])) == S_OK);
    const bool borneInferieure =
        std::binary_search(table.begin(), table.end(), std::string_view(mot.get()), TableMotsCles::Precede);
    VERIFIER(reponse[0] == 0xA5);
    VERIFIER(reponse[1] == borneInferieure);
    VERIFIER(reponse[2] == 0xA5);
    return 0;
}
