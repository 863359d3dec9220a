#include "support/essais.h"

#include <stdexcept>

TexteLarge Large(const std::string& texte) {
    TexteLarge large;
    for (unsigned char octet : texte) large.push_back(octet);
    return large;
}

std::string Etroit(const TexteLarge& texte) {
    std::string etroit;
    for (WCHAR c : texte) etroit.push_back(c < 128 ? static_cast<char>(c) : '?');
    return etroit;
}

#if defined(_WIN32)
TexteLarge DossierDuProgramme() {
    WCHAR chemin[32768] = {};
    GetModuleFileNameW(nullptr, chemin, 32768);
    TexteLarge texte(chemin);
    return texte.substr(0, texte.find_last_of(L"\\/") + 1);
}
#else
#include <unistd.h>
TexteLarge DossierDuProgramme() {
    char chemin[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    const std::string texte(chemin, n > 0 ? static_cast<size_t>(n) : 0);
    return Large(texte.substr(0, texte.rfind('/') + 1));
}
#endif

ModuleLexigarde::ModuleLexigarde(const TexteLarge& chemin) : module_(LoadLibraryW(chemin.c_str())) {
    if (module_ == nullptr || GetProcAddress(module_, "DllGetClassObject") == nullptr)
        throw std::runtime_error("Lexigarde.dll could not be loaded");
}
