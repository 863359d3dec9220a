// Linux only: the stand-in's registry must behave as Win32's where the
// module's registration and its tests rely on it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "plateforme.h"

namespace {

using Texte = std::u16string;
using Noms = std::vector<Texte>;

// Each test starts from an empty registry and closes every key it opens.
class RegistreLinux : public ::testing::Test {
protected:
    const DWORD ouvertes_ = PlateformeClesOuvertes();
    void SetUp() override { PlateformeViderRegistre(); }
    void TearDown() override {
        EXPECT_EQ(ouvertes_, PlateformeClesOuvertes()) << "a key was left open";
        PlateformeViderRegistre();
    }

    static LONG Creer(HKEY base, const Texte& chemin, HKEY* cle, DWORD* disposition = nullptr) {
        return RegCreateKeyExW(base, chemin.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, cle,
                               disposition);
    }
    // Created (or opened) and closed again: the disposition, 0 on failure.
    static DWORD Poser(HKEY base, const Texte& chemin) {
        HKEY cle = nullptr;
        DWORD disposition = 0;
        if (Creer(base, chemin, &cle, &disposition) == ERROR_SUCCESS) RegCloseKey(cle);
        return disposition;
    }
    static LONG Enumerer(HKEY cle, DWORD index, WCHAR* nom, DWORD capacite) {
        return RegEnumKeyExW(cle, index, nom, &capacite, nullptr, nullptr, nullptr, nullptr);
    }
    // The subkeys of a key, by index; none if it does not open.
    static Noms Lister(HKEY base, const Texte& chemin) {
        Noms noms;
        HKEY cle = nullptr;
        if (RegOpenKeyExW(base, chemin.c_str(), 0, KEY_READ, &cle) != ERROR_SUCCESS) return noms;
        WCHAR nom[256];
        for (DWORD index = 0; Enumerer(cle, index, nom, 256) == ERROR_SUCCESS; ++index)
            noms.emplace_back(nom);
        RegCloseKey(cle);
        return noms;
    }
};

// Names compare by their upper-case form, the order of enumeration too; the
// registration deletes a tree bottom-up, enumerating index 0 again and again.
TEST_F(RegistreLinux, UnArbreSeCreeDUnCoupSansEgardALaCasseEtSeSupprimeParLeBasEnEnumerantLIndexZero) {
    for (const Texte nom : {u"é", u"A", u"b"})
        EXPECT_EQ(REG_CREATED_NEW_KEY, Poser(HKEY_CLASSES_ROOT, u"CLSID\\" + nom + u"\\InprocServer32"));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, Poser(HKEY_CLASSES_ROOT, u"clsid\\É\\INPROCSERVER32"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\a")) << "it has a subkey";
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 0, KEY_ALL_ACCESS, &cle));
    WCHAR nom[4];
    for (const Texte attendu : {u"A", u"b", u"é"}) {
        ASSERT_EQ(ERROR_SUCCESS, Enumerer(cle, 0, nom, 4));
        EXPECT_EQ(attendu, Texte(nom));
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(cle, (Texte(nom) + u"\\inprocserver32").c_str()));
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(cle, nom));
    }
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, Enumerer(cle, 0, nom, 4));
    RegCloseKey(cle);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\A", 0, KEY_READ, &cle));
}

TEST_F(RegistreLinux, UnTexteFaitLAllerRetourEtUnTamponTropPetitDonneErrorMoreDataEtLaTaille) {
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\InprocServer32", &cle));
    const Texte chemin = u"/opt/Lexigarde/Lexigarde.dll";
    std::vector<WCHAR> lu(chemin.size() + 1, u'?');
    auto octets = reinterpret_cast<BYTE*>(lu.data());
    DWORD type = REG_NONE, taille = static_cast<DWORD>(lu.size() * sizeof(WCHAR));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(cle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(chemin.c_str()), taille));
    --taille;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(cle, u"", nullptr, &type, octets, &taille));
    EXPECT_EQ(lu.size() * sizeof(WCHAR), taille);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(cle, nullptr, nullptr, &type, octets, &taille));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(chemin, Texte(lu.data()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(cle, u"Absente", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(cle);
}

// The refusals the registration tests set up on a CLSID key.
TEST_F(RegistreLinux, OuvrirEnEcritureCreerDessousOuSupprimerSansLeDroitEchoueSansRienChanger) {
    for (const REGSAM refuse : std::vector<REGSAM>{KEY_SET_VALUE, KEY_CREATE_SUB_KEY, DELETE}) {
        Poser(HKEY_CLASSES_ROOT, u"CLSID\\{A}");
        ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, u"clsid\\{a}", refuse));
        HKEY cle = nullptr;
        EXPECT_EQ(ERROR_ACCESS_DENIED,
                  refuse == KEY_SET_VALUE
                      ? RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{A}", 0, KEY_WRITE, &cle)
                  : refuse == DELETE ? RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{A}")
                                     : Creer(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\Inproc\\Plus", &cle));
        EXPECT_EQ(Noms{u"{A}"}, Lister(HKEY_CLASSES_ROOT, u"CLSID")) << refuse;
        EXPECT_EQ(Noms{}, Lister(HKEY_CLASSES_ROOT, u"CLSID\\{A}")) << refuse;
        PlateformeViderRegistre();
    }
}

TEST_F(RegistreLinux, DesThreadsQuiCreentLesMemesClesEnMemeTempsLesCreentChacuneUneFois) {
    constexpr int fils = 4, cles = 1000;
    std::atomic<int> prets{0}, creees{0};
    std::vector<std::thread> threads;
    for (int f = 0; f < fils; ++f)
        threads.emplace_back([&] {
            for (++prets; prets < fils;) std::this_thread::yield(); // all at once, for collisions
            for (int i = 0; i < cles; ++i) {
                const std::string n = std::to_string(i);
                const Texte chemin = u"Commune\\" + Texte(n.begin(), n.end()) + u"\\Feuille";
                creees += Poser(HKEY_CURRENT_USER, chemin) == REG_CREATED_NEW_KEY;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(cles, creees.load()) << "each key is created once, whichever thread wins";
    EXPECT_EQ(static_cast<size_t>(cles), Lister(HKEY_CURRENT_USER, u"Commune").size());
}

} // namespace
