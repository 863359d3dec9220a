// Module loading of the Linux stand-in, on glibc's dynamic loader. A module
// handle is the loader's link_map, which is what dlopen returns, so every
// call gives the same handle for the same library.
//
// The lookups allocate nothing from the heap: on Windows they cannot fail
// for lack of memory, so they must not here either when a test makes the
// process's operator new fail.
#include "plateforme_linux.h"

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <string_view>

#include "casse.h"

namespace {

// Set by PlateformeCacherModules, for tests of a module that cannot find itself.
std::atomic<DWORD> modulesCaches{0};

using VueLarge = std::basic_string_view<WCHAR>;

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

// One code point of UTF-8 at `p`, which it passes. A byte that does not
// begin a well-formed sequence (overlong, surrogate, past U+10FFFF, cut
// short) becomes U+FFFD and is passed alone.
char32_t LireUtf8(const char*& p) {
    const auto* octets = reinterpret_cast<const unsigned char*>(p);
    const unsigned char tete = octets[0];
    ++p;
    if (tete < 0x80) return tete;
    int suite;
    char32_t c;
    char32_t minimum;
    if (tete >= 0xC2 && tete <= 0xDF) {
        suite = 1, c = tete & 0x1F, minimum = 0x80;
    } else if (tete >= 0xE0 && tete <= 0xEF) {
        suite = 2, c = tete & 0x0F, minimum = 0x800;
    } else if (tete >= 0xF0 && tete <= 0xF4) {
        suite = 3, c = tete & 0x07, minimum = 0x10000;
    } else {
        return 0xFFFD;
    }
    // Stops at the NUL too, which is no continuation byte.
    for (int i = 1; i <= suite; ++i) {
        if ((octets[i] & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (octets[i] & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
    p += suite;
    return c;
}

// UTF-8 to UTF-16: writes what fits of `texte` in `sortie` (no NUL added)
// and returns the length the whole text takes.
size_t VersUtf16(const char* texte, WCHAR* sortie, size_t capacite) {
    size_t longueur = 0;
    auto ecrire = [&](char32_t unite) {
        if (longueur < capacite) sortie[longueur] = static_cast<WCHAR>(unite);
        ++longueur;
    };
    for (const char* p = texte; *p != 0;) {
        const char32_t c = LireUtf8(p);
        if (c >= 0x10000) {
            ecrire(0xD800 + ((c - 0x10000) >> 10));
            ecrire(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            ecrire(c);
        }
    }
    return longueur;
}

bool MemeNom(VueLarge a, VueLarge b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Majuscule(a[i]) != Majuscule(b[i])) return false;
    return true;
}

// Whether the UTF-8 `chemin` reads as `voulu`, or as `voulu` then `suffixe`,
// blind to case.
bool Correspond(const char* chemin, VueLarge voulu, VueLarge suffixe) {
    WCHAR tampon[PATH_MAX];
    const size_t longueur = VersUtf16(chemin, tampon, PATH_MAX);
    if (longueur > PATH_MAX) return false;
    const VueLarge nom(tampon, longueur);
    if (MemeNom(nom, voulu)) return true;
    return !suffixe.empty() && nom.size() == voulu.size() + suffixe.size() &&
           MemeNom(nom.substr(0, voulu.size()), voulu) && MemeNom(nom.substr(voulu.size()), suffixe);
}

// A loaded module: its handle and its path as the loader holds it (empty
// for the program).
struct ModuleCharge {
    HMODULE poignee;
    const char* chemin;
};

// The first loaded module, the program first, that `choisir` takes; a null
// one if it takes none.
template <class Choix>
ModuleCharge ChercherModule(Choix choisir) {
    struct Etat {
        Choix& choisir;
        ModuleCharge trouve;
    } etat{choisir, {nullptr, nullptr}};
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* donnees) -> int {
            Etat& etat = *static_cast<Etat*>(donnees);
            for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || segment.p_memsz == 0) continue;
                // The loader holds its lock during this walk, so the handle
                // comes from _dl_find_object, which takes none (dladdr would).
                dl_find_object objet;
                const auto adresse = reinterpret_cast<void*>(info->dlpi_addr + segment.p_vaddr);
                if (_dl_find_object(adresse, &objet) != 0) return 0;
                const ModuleCharge module{reinterpret_cast<HMODULE>(objet.dlfo_link_map), info->dlpi_name};
                if (!etat.choisir(module)) return 0;
                etat.trouve = module;
                return 1;
            }
            return 0;
        },
        &etat);
    return etat.trouve;
}

ModuleCharge LeProgramme() {
    return ChercherModule([](const ModuleCharge&) { return true; });
}

// The program's own file, in `tampon` of PATH_MAX bytes; null if unknown.
const char* CheminDuProgramme(char* tampon) {
    const ssize_t longueur = readlink("/proc/self/exe", tampon, PATH_MAX - 1);
    if (longueur <= 0) return nullptr;
    tampon[longueur] = 0;
    return tampon;
}

// The absolute path of a module, using `tampon` (PATH_MAX bytes) if need be;
// null if unknown. A library loaded through a relative path is resolved
// from the current folder, the best left to go by.
const char* CheminAbsolu(const char* chemin, char* tampon) {
    if (chemin[0] == 0) return CheminDuProgramme(tampon);
    if (chemin[0] == '/' || std::strchr(chemin, '/') == nullptr) return chemin;
    return realpath(chemin, tampon) != nullptr ? tampon : chemin;
}

ModuleCharge TrouverParNom(LPCWSTR nom) {
    const VueLarge voulu(nom);
    const size_t separateur = voulu.find_last_of(u"/\\");
    const bool cheminComplet = separateur != VueLarge::npos;
    // As on Windows, a name without extension is also that of a DLL.
    const VueLarge nomFichier = cheminComplet ? voulu.substr(separateur + 1) : voulu;
    const VueLarge suffixe = nomFichier.find(u'.') == VueLarge::npos ? VueLarge(u".dll") : VueLarge();
    return ChercherModule([&](const ModuleCharge& module) {
        char tampon[PATH_MAX];
        const char* chemin = CheminAbsolu(module.chemin, tampon);
        if (chemin == nullptr) return false;
        if (!cheminComplet) {
            if (const char* barre = std::strrchr(chemin, '/')) chemin = barre + 1;
        }
        return Correspond(chemin, voulu, suffixe);
    });
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
    // A library loaded with the program, found by name or by address, has
    // no symbol scope of its own until the loader is asked for it by name:
    // ask, look up, and give that reference back.
    const ModuleCharge charge =
        ChercherModule([module](const ModuleCharge& m) { return m.poignee == module; });
    if (charge.poignee == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* poignee = dlopen(charge.chemin[0] == 0 ? nullptr : charge.chemin, RTLD_LAZY | RTLD_NOLOAD);
    if (poignee == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    void* adresse = dlsym(poignee, nom);
    dlclose(poignee);
    if (adresse == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(adresse);
}

HMODULE GetModuleHandleW(LPCWSTR nom) {
    ModuleCharge module = nom == nullptr ? LeProgramme() : TrouverParNom(nom);
    if ((modulesCaches & 1) != 0) module.poignee = nullptr;
    if (module.poignee == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
    return module.poignee;
}

BOOL GetModuleHandleExW(DWORD options, LPCWSTR nom, HMODULE* resultat) {
    if (resultat == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *resultat = nullptr;
    constexpr DWORD connues = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                              GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
    const bool epingler = (options & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0;
    const bool sansReference = (options & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT) != 0;
    if ((options & ~connues) != 0 || (epingler && sansReference)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    ModuleCharge module{nullptr, nullptr};
    if ((options & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) != 0) {
        Dl_info info;
        link_map* carte = nullptr;
        if (nom != nullptr && dladdr1(nom, &info, reinterpret_cast<void**>(&carte), RTLD_DL_LINKMAP) != 0 &&
            carte != nullptr)
            module = {reinterpret_cast<HMODULE>(carte), carte->l_name};
    } else {
        module = nom == nullptr ? LeProgramme() : TrouverParNom(nom);
    }
    if (module.poignee == nullptr || (modulesCaches & 1) != 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }

    if (!sansReference) {
        // A reference of the caller's, which FreeLibrary gives back; pinning
        // keeps the module loaded for good besides.
        const int mode = RTLD_LAZY | RTLD_NOLOAD | (epingler ? RTLD_NODELETE : 0);
        void* reference = dlopen(module.chemin[0] == 0 ? nullptr : module.chemin, mode);
        if (reference != module.poignee) {
            if (reference != nullptr) dlclose(reference);
            SetLastError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
    }
    *resultat = module.poignee;
    return TRUE;
}

DWORD GetModuleFileNameW(HMODULE poignee, LPWSTR sortie, DWORD taille) {
    const ModuleCharge module =
        poignee == nullptr
            ? LeProgramme()
            : ChercherModule([poignee](const ModuleCharge& m) { return m.poignee == poignee; });
    char tampon[PATH_MAX];
    const char* chemin =
        module.poignee != nullptr && (modulesCaches & 2) == 0 ? CheminAbsolu(module.chemin, tampon) : nullptr;
    if (chemin == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (taille == 0 || sortie == nullptr) {
        SetLastError(taille == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Win32's truncation: what fits, always a NUL, and the buffer's size back.
    const size_t longueur = VersUtf16(chemin, sortie, taille - 1);
    if (longueur >= taille) {
        sortie[taille - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return taille;
    }
    sortie[longueur] = 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(longueur);
}

void PlateformeCacherModules(DWORD quoi) { modulesCaches = quoi; }

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr || dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

} // extern "C"
