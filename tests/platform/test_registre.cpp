// Linux only: the stand-in's registry must refuse what Win32 refuses, where
// the module's registration and its tests rely on it.
#include "plateforme.h"
#include "support/essais.h"

namespace {

LONG Creer(const char* chemin, DWORD reserve = 0) {
    HKEY cle = nullptr;
    const LONG resultat = RegCreateKeyExW(HKEY_CLASSES_ROOT, Large(chemin).c_str(), reserve, nullptr, 0,
                                          KEY_ALL_ACCESS, nullptr, &cle, nullptr);
    if (cle != nullptr) RegCloseKey(cle);
    return resultat;
}

TEST(RegistreLinux, LesNomsIgnorentLaCasseEtLesDroitsRefusesSontRefuses) {
    PlateformeViderRegistre();
    ASSERT_EQ(ERROR_SUCCESS, Creer("CLSID\\{A}\\InprocServer32"));
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"clsid\\{a}", 0, KEY_ALL_ACCESS, &cle));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExW(cle, nullptr, 1, REG_SZ, nullptr, 0)) << "reserved";
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(cle, u"")) << "it has a subkey";
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(cle));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(cle));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, Creer("CLSID\\{B}", 1)) << "reserved";
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID", 1, KEY_READ, &cle));
    for (const REGSAM refuse : {KEY_SET_VALUE, KEY_CREATE_SUB_KEY, DELETE}) {
        const char16_t* feuille = u"CLSID\\{A}\\InprocServer32";
        ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, feuille, refuse));
        EXPECT_EQ(ERROR_ACCESS_DENIED, refuse == KEY_SET_VALUE
                                           ? RegOpenKeyExW(HKEY_CLASSES_ROOT, feuille, 0, KEY_WRITE, &cle)
                                       : refuse == DELETE ? RegDeleteKeyW(HKEY_CLASSES_ROOT, feuille)
                                                          : Creer("CLSID\\{A}\\InprocServer32\\Autre"));
    }
    EXPECT_EQ(0u, PlateformeClesOuvertes());
    PlateformeViderRegistre();
}

} // namespace
