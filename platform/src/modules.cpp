// Module loading of the Linux stand-in, on dlopen.
#include "plateforme_linux.h"

#include <dlfcn.h>

#include <string>

namespace {

// UTF-16 to UTF-8, as file names are on Linux; an unpaired surrogate
// becomes U+FFFD.
std::string VersUtf8(LPCWSTR texte) {
    std::string resultat;
    for (const WCHAR* p = texte; *p != 0; ++p) {
        char32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            resultat += static_cast<char>(c);
        } else if (c < 0x800) {
            resultat += static_cast<char>(0xC0 | (c >> 6));
            resultat += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            resultat += static_cast<char>(0xE0 | (c >> 12));
            resultat += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            resultat += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            resultat += static_cast<char>(0xF0 | (c >> 18));
            resultat += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            resultat += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            resultat += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return resultat;
}

} // namespace

extern "C" {

HMODULE LoadLibraryW(LPCWSTR nomFichier) {
    if (nomFichier == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        void* module = dlopen(VersUtf8(nomFichier).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
        return static_cast<HMODULE>(module);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

FARPROC GetProcAddress(HMODULE module, LPCSTR nom) {
    if (module == nullptr || nom == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* adresse = dlsym(module, nom);
    if (adresse == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(adresse);
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr || dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

} // extern "C"
