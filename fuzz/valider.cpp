// Valider on any bytes: the word is what comes before the first NUL, and the
// answer must be that of the 63 keywords of C++98 as listed here, apart from
// the module. The word sits in a block of its exact size, so that a read
// past its NUL shows under AddressSanitizer.
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "fuzz/verifier.h"
#include "lexigarde.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv);

namespace {

// clang-format off
const std::set<std::string> motsCles = {
    "do", "if", "asm", "for", "int", "new", "try", "auto", "bool", "case", "char", "else", "enum", "goto",
    "long", "this", "true", "void", "break", "catch", "class", "const", "false", "float", "short", "throw",
    "union", "using", "while", "delete", "double", "export", "extern", "friend", "inline", "public", "return",
    "signed", "sizeof", "static", "struct", "switch", "typeid", "default", "mutable", "private", "typedef",
    "virtual", "wchar_t", "continue", "explicit", "operator", "register", "template", "typename", "unsigned",
    "volatile", "namespace", "protected", "const_cast", "static_cast", "dynamic_cast", "reinterpret_cast",
};
// clang-format on

IValiderMotsCles* CreerValidateur() {
    IClassFactory* fabrique = nullptr;
    VERIFIER(DllGetClassObject(CLSID_Lexigarde, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)) ==
             S_OK);
    void* validateur = nullptr;
    VERIFIER(fabrique->CreateInstance(nullptr, IID_IValiderMotsCles, &validateur) == S_OK);
    fabrique->Release();
    return static_cast<IValiderMotsCles*>(validateur);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    static IValiderMotsCles* const validateur = CreerValidateur();
    VERIFIER(motsCles.size() == 63);
    const std::unique_ptr<char[]> mot(new char[taille + 1]);
    if (taille != 0) std::memcpy(mot.get(), donnees, taille);
    mot[taille] = 0;
    const bool attendu = motsCles.count(mot.get()) == 1;
    bool motCle = !attendu;
    VERIFIER(validateur->Valider(mot.get(), &motCle) == S_OK && motCle == attendu);
    return 0;
}
