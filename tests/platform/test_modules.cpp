// Linux only: the stand-in's module lookups, on the libraries this test
// program has loaded, must give what Win32 gives.
#include <gtest/gtest.h>

#include "plateforme.h"
#include "support/essais.h"

namespace {

const TexteLarge plateforme = u"libplateforme_linux.so";

// As the module finds its own handle: by its name, or, renamed, from an
// address inside it; and as its exports are read from that handle.
TEST(ModulesLinux, UnModuleSeTrouveParSonNomSansEgardALaCasseOuParUneAdresseQuIlContient) {
    const HMODULE module = GetModuleHandleW(plateforme.c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(module, GetModuleHandleW(u"LibPlateforme_LINUX.SO"));
    EXPECT_EQ(module, GetModuleHandleW((DossierDuProgramme() + u"LIBPLATEFORME_linux.so").c_str()));
    for (const char16_t* inconnu : {u"inconnue.so", u"linux.so", u"/ailleurs/libplateforme_linux.so"})
        EXPECT_EQ(nullptr, GetModuleHandleW(inconnu)) << "a name or a path no loaded module has";
    HMODULE trouve = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCWSTR>(&RegCloseKey), &trouve));
    EXPECT_EQ(module, trouve);
    EXPECT_EQ(reinterpret_cast<void*>(&RegCloseKey),
              reinterpret_cast<void*>(GetProcAddress(trouve, "RegCloseKey")));
}

// Win32's rule, on which the module's reading of its own path relies: the
// length if the path and its NUL fit, else the size, the path cut to size - 1.
TEST(ModulesLinux, GetModuleFileNameWDonneLeCheminCompletEtTronqueCommeWin32) {
    const HMODULE module = GetModuleHandleW(plateforme.c_str());
    const TexteLarge attendu = DossierDuProgramme() + plateforme;
    const DWORD longueur = static_cast<DWORD>(attendu.size());
    for (DWORD taille : {longueur + 1, longueur, 5u}) {
        TexteLarge tampon(taille + 1, u'#');
        EXPECT_EQ(taille > longueur ? longueur : taille, GetModuleFileNameW(module, &tampon[0], taille));
        EXPECT_EQ(attendu.substr(0, taille - 1) + u'\0' + u'#', tampon) << "a NUL, nothing past the buffer";
    }
}

} // namespace
