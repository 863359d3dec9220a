// Linux only: the stand-in's module lookups, on the libraries this test
// program has loaded, must give what Win32 gives.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "plateforme.h"
#include "support/essais.h"

namespace {

const TexteLarge plateforme = u"libplateforme_linux.so";

void FonctionDuProgramme() {}

TexteLarge Chemin(HMODULE module) {
    WCHAR chemin[4096];
    const DWORD longueur = GetModuleFileNameW(module, chemin, 4096);
    return TexteLarge(chemin, longueur);
}

TEST(ModulesLinux, GetModuleHandleWTrouveUnModuleChargeParSonNomSansEgardALaCasse) {
    const HMODULE module = GetModuleHandleW(plateforme.c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_EQ(module, GetModuleHandleW(u"LibPlateforme_LINUX.SO"));
    EXPECT_EQ(module, GetModuleHandleW((DossierDuProgramme() + u"LIBPLATEFORME_linux.so").c_str()));
    const HMODULE charge = LoadLibraryW((DossierDuProgramme() + plateforme).c_str());
    EXPECT_EQ(module, charge) << "LoadLibraryW and GetModuleHandleW must give the same handle";
    FreeLibrary(charge);
    const HMODULE programme = GetModuleHandleW(nullptr);
    EXPECT_NE(nullptr, programme);
    EXPECT_NE(module, programme);
    EXPECT_EQ(programme, GetModuleHandleW(u"LEXIGARDE_TESTS"));
    for (const char16_t* inconnu : {u"inconnue.so", u"linux.so", u"/ailleurs/libplateforme_linux.so"}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(nullptr, GetModuleHandleW(inconnu));
        EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    }
}

TEST(ModulesLinux, GetModuleHandleExWDepuisUneAdresseDonneLeModuleQuiLaContient) {
    const HMODULE module = GetModuleHandleW(plateforme.c_str());
    const auto dedans = reinterpret_cast<LPCWSTR>(GetProcAddress(module, "RegCloseKey"));
    constexpr DWORD options =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    HMODULE trouve = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(options, dedans, &trouve));
    EXPECT_EQ(module, trouve);
    ASSERT_TRUE(GetModuleHandleExW(options, reinterpret_cast<LPCWSTR>(&FonctionDuProgramme), &trouve));
    EXPECT_EQ(GetModuleHandleW(nullptr), trouve);
    const WCHAR surLaPile = 0;
    trouve = static_cast<HMODULE>(sentinelle);
    EXPECT_FALSE(GetModuleHandleExW(options, &surLaPile, &trouve));
    EXPECT_EQ(nullptr, trouve);
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

// A small system library that nothing else loads, so its unloading shows.
TEST(ModulesLinux, GetModuleHandleExWAjouteUneReferenceQueFreeLibraryRetire) {
    const TexteLarge nom = u"libanl.so.1";
    const HMODULE charge = LoadLibraryW(nom.c_str());
    ASSERT_NE(nullptr, charge);
    HMODULE reference = nullptr, sansReference = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(0, u"LIBANL.so.1", &reference));
    ASSERT_TRUE(
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nom.c_str(), &sansReference));
    EXPECT_EQ(charge, reference);
    EXPECT_EQ(charge, sansReference);
    FreeLibrary(charge);
    EXPECT_EQ(charge, GetModuleHandleW(nom.c_str())) << "the reference taken must keep it loaded";
    FreeLibrary(reference);
    EXPECT_EQ(nullptr, GetModuleHandleW(nom.c_str())) << "a lookup took a reference it should not have";
}

TEST(ModulesLinux, GetModuleFileNameWDonneLeCheminCompletEtTronqueCommeWin32) {
    const HMODULE module = GetModuleHandleW(plateforme.c_str());
    const TexteLarge attendu = DossierDuProgramme() + plateforme;
    SetLastError(ERROR_INVALID_HANDLE);
    EXPECT_EQ(attendu, Chemin(module));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    EXPECT_EQ(DossierDuProgramme() + u"lexigarde_tests", Chemin(nullptr));

    const DWORD longueur = static_cast<DWORD>(attendu.size());
    for (DWORD taille : {longueur + 1, longueur, 5u}) {
        TexteLarge tampon(taille + 1, u'#');
        const DWORD rendu = GetModuleFileNameW(module, &tampon[0], taille);
        const bool tient = taille > longueur;
        EXPECT_EQ(tient ? longueur : taille, rendu) << taille;
        EXPECT_EQ(static_cast<DWORD>(tient ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER), GetLastError())
            << taille;
        // What fits, a NUL, and nothing past the buffer.
        EXPECT_EQ(attendu.substr(0, taille - 1) + u'\0' + u'#', tampon) << taille;
    }
    WCHAR rien = u'#';
    EXPECT_EQ(0u, GetModuleFileNameW(module, &rien, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(u'#', rien);
    EXPECT_EQ(0u, GetModuleFileNameW(reinterpret_cast<HMODULE>(&rien), &rien, 1)) << "an unknown handle";
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST(ModulesLinux, UnCheminNonAsciiArriveEnUtf16EtSesOctetsInvalidesEnFFFD) {
    char modele[] = "/tmp/lexigarde-modules-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(modele));
    const std::string dossier = modele;
    // è, an emoji (a surrogate pair), a lone byte, an encoded surrogate, an
    // overlong '/' and a sequence cut short: each bad byte is one U+FFFD,
    // never a separator, and the byte after it is kept.
    const std::string copie =
        dossier + "/biblioth\xC3\xA8que-\xF0\x9F\x98\x80-\xFF-\xED\xA0\x80-\xC0\xAF-\xE2\x82.so";
    void* systeme = dlopen("libanl.so.1", RTLD_NOW);
    ASSERT_NE(nullptr, systeme);
    link_map* carte = nullptr;
    dlinfo(systeme, RTLD_DI_LINKMAP, &carte);
    std::filesystem::copy_file(carte->l_name, copie);
    dlclose(systeme);

    void* charge = dlopen(copie.c_str(), RTLD_NOW);
    ASSERT_NE(nullptr, charge);
    const TexteLarge nom =
        u"biblioth\u00E8que-\U0001F600-\uFFFD-\uFFFD\uFFFD\uFFFD-\uFFFD\uFFFD-\uFFFD\uFFFD.so";
    EXPECT_EQ(TexteLarge(dossier.begin(), dossier.end()) + u"/" + nom, Chemin(static_cast<HMODULE>(charge)));
    EXPECT_EQ(charge,
              GetModuleHandleW(
                  u"BIBLIOTH\u00C8QUE-\U0001F600-\uFFFD-\uFFFD\uFFFD\uFFFD-\uFFFD\uFFFD-\uFFFD\uFFFD.SO"));
    dlclose(charge);
    std::filesystem::remove_all(dossier);
}

} // namespace
