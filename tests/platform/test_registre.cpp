// Linux only: the stand-in's registry must behave as Win32's, and its
// test-only controls (refused rights, open-key count) must hold.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "plateforme.h"

extern "C" void EssaiEchouerAllocation(long rang);
extern "C" long EssaiAllocationsFaites();
extern "C" long EssaiAllocationsVivantes();

namespace {

using Texte = std::u16string;
using Noms = std::vector<Texte>;

// Each test starts from an empty registry and closes every key it opens.
class RegistreVide : public ::testing::Test {
protected:
    void SetUp() override {
        PlateformeViderRegistre();
        ouvertes_ = PlateformeClesOuvertes();
    }
    void TearDown() override {
        EXPECT_EQ(ouvertes_, PlateformeClesOuvertes()) << "a key was left open";
        PlateformeViderRegistre();
    }

    static LONG Creer(HKEY base, const Texte& chemin, HKEY* cle, DWORD* disposition = nullptr) {
        return RegCreateKeyExW(base, chemin.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, cle,
                               disposition);
    }
    // Created (or opened) and closed again; the disposition.
    static DWORD Poser(HKEY base, const Texte& chemin) {
        HKEY cle = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(ERROR_SUCCESS, Creer(base, chemin, &cle, &disposition)) << "creating";
        RegCloseKey(cle);
        return disposition;
    }
    static LONG Ouvrir(HKEY base, const Texte& chemin, REGSAM droits, HKEY* cle) {
        return RegOpenKeyExW(base, chemin.c_str(), 0, droits, cle);
    }
    static bool Existe(HKEY base, const Texte& chemin) {
        HKEY cle = nullptr;
        return Ouvrir(base, chemin, KEY_READ, &cle) == ERROR_SUCCESS && RegCloseKey(cle) == ERROR_SUCCESS;
    }
    static LONG Ecrire(HKEY cle, const char16_t* nom, const Texte& texte) {
        return RegSetValueExW(cle, nom, 0, REG_SZ, reinterpret_cast<const BYTE*>(texte.c_str()),
                              static_cast<DWORD>((texte.size() + 1) * sizeof(WCHAR)));
    }
    static LONG Lire(HKEY cle, const char16_t* nom) {
        return RegQueryValueExW(cle, nom, nullptr, nullptr, nullptr, nullptr);
    }
    static LONG Enumerer(HKEY cle, DWORD index, WCHAR* nom, DWORD capacite) {
        return RegEnumKeyExW(cle, index, nom, &capacite, nullptr, nullptr, nullptr, nullptr);
    }
    // The subkeys, or the values, of a key in enumeration order.
    static Noms Lister(HKEY base, const Texte& chemin, bool valeurs = false) {
        Noms noms;
        HKEY cle = nullptr;
        if (Ouvrir(base, chemin, KEY_READ, &cle) != ERROR_SUCCESS) return noms;
        WCHAR nom[256];
        for (DWORD index = 0, capacite = 256;
             (valeurs ? RegEnumValueW(cle, index, nom, &capacite, nullptr, nullptr, nullptr, nullptr)
                      : RegEnumKeyExW(cle, index, nom, &capacite, nullptr, nullptr, nullptr, nullptr)) ==
             ERROR_SUCCESS;
             ++index, capacite = 256)
            noms.emplace_back(nom, capacite);
        RegCloseKey(cle);
        return noms;
    }

private:
    DWORD ouvertes_ = 0;
};

class RegistreCles : public RegistreVide {};
class RegistreValeurs : public RegistreVide {};
class RegistreAcces : public RegistreVide {};
class RegistreConcurrence : public RegistreVide {};
class RegistreMemoire : public RegistreVide {};

TEST_F(RegistreCles, RegCreateKeyExWCreeLesClesIntermediairesEtLeDitDansLaDisposition) {
    EXPECT_EQ(REG_CREATED_NEW_KEY, Poser(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\InprocServer32"));
    EXPECT_TRUE(Existe(HKEY_CLASSES_ROOT, u"CLSID\\{A}"));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, Poser(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\InprocServer32\\"));
    EXPECT_FALSE(Existe(HKEY_LOCAL_MACHINE, u"CLSID")) << "the roots are separate";
    EXPECT_FALSE(Existe(HKEY_CURRENT_USER, u"CLSID"));
}

TEST_F(RegistreCles, LesNomsIgnorentLaCasseEtGardentCelleDeLeurCreation) {
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CURRENT_USER, u"Clé Élevée\\Forêt ÿ", &cle));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, Poser(HKEY_CURRENT_USER, u"CLÉ éLEVÉE\\FORÊT Ÿ"));
    EXPECT_EQ(Noms{u"Clé Élevée"}, Lister(HKEY_CURRENT_USER, u""));
    EXPECT_EQ(ERROR_SUCCESS, Ecrire(cle, u"Valeur", u"a"));
    EXPECT_EQ(ERROR_SUCCESS, Ecrire(cle, u"VALEUR", u"bb"));
    EXPECT_EQ(Noms{u"Valeur"}, Lister(HKEY_CURRENT_USER, u"Clé Élevée\\Forêt ÿ", true))
        << "a second spelling overwrites the value";
    DWORD taille = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(cle, u"valeur", nullptr, nullptr, nullptr, &taille));
    EXPECT_EQ(3 * sizeof(WCHAR), taille) << "with the new data";
    RegCloseKey(cle);
}

TEST_F(RegistreCles, UneCleAbsenteDonneErrorFileNotFoundSansRienOuvrir) {
    HKEY cle = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Ouvrir(HKEY_CLASSES_ROOT, u"Absente", KEY_READ, &cle));
    EXPECT_EQ(nullptr, cle);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Absente"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, u"Absente", DELETE));
}

TEST_F(RegistreCles, RegDeleteKeyWRefuseUneCleQuiADesSousCles) {
    Poser(HKEY_CLASSES_ROOT, u"Parent\\Enfant");
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Parent"));
    EXPECT_TRUE(Existe(HKEY_CLASSES_ROOT, u"Parent\\Enfant"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"PARENT\\enfant"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"Parent"));
    EXPECT_FALSE(Existe(HKEY_CLASSES_ROOT, u"Parent"));
}

TEST_F(RegistreCles, LEnumerationParIndexFinitSurNoMoreItemsEtSeResserreApresUneSuppression) {
    for (const Texte nom : {u"b", u"_", u"A", u"c"}) Poser(HKEY_CURRENT_USER, u"P\\" + nom);
    // Windows' order: by upper-case form, so '_' comes after the letters.
    EXPECT_EQ((Noms{u"A", u"b", u"c", u"_"}), Lister(HKEY_CURRENT_USER, u"P"));
    HKEY p = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Ouvrir(HKEY_CURRENT_USER, u"P", KEY_READ, &p));
    WCHAR nom[4];
    EXPECT_EQ(ERROR_MORE_DATA, Enumerer(p, 0, nom, 1)) << "no room for the NUL";
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(p, u"a"));
    ASSERT_EQ(ERROR_SUCCESS, Enumerer(p, 0, nom, 4));
    EXPECT_EQ(Texte(u"b"), Texte(nom));
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, Enumerer(p, 3, nom, 4));
    RegCloseKey(p);
}

TEST_F(RegistreCles, UnePoigneeSurUneCleSupprimeeNeSertPlusQuAEtreFermee) {
    HKEY cle = nullptr, enfant = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CURRENT_USER, u"Éphémère", &cle));
    ASSERT_EQ(ERROR_SUCCESS, Ecrire(cle, nullptr, u"ancienne"));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, u"Éphémère"));
    EXPECT_EQ(ERROR_KEY_DELETED, Ecrire(cle, nullptr, u"x"));
    EXPECT_EQ(ERROR_KEY_DELETED, Lire(cle, nullptr));
    EXPECT_EQ(ERROR_KEY_DELETED, Creer(cle, u"Enfant", &enfant));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(cle));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(cle));
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CURRENT_USER, u"Éphémère", &cle));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Lire(cle, nullptr)) << "the values went with the key";
    RegCloseKey(cle);
}

TEST_F(RegistreCles, LesPoigneesInconnuesSontRefuseesEtLesRacinesSeFermentSansEffet) {
    const HKEY inconnue = reinterpret_cast<HKEY>(0x1234);
    HKEY cle = nullptr;
    EXPECT_EQ(ERROR_INVALID_HANDLE, Ouvrir(inconnue, u"", KEY_READ, &cle));
    EXPECT_EQ(ERROR_INVALID_HANDLE, Ecrire(inconnue, nullptr, u"x"));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(inconnue));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CLASSES_ROOT));
    EXPECT_EQ(ERROR_SUCCESS, Ecrire(HKEY_CLASSES_ROOT, u"Racine", u"toujours ouverte"));
}

TEST_F(RegistreValeurs, UnTexteFaitLAllerRetourEtUnTamponTropPetitDonneLaTailleNecessaire) {
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\InprocServer32", &cle));
    const Texte chemin = u"/opt/Lexigarde/Lexigarde.dll";
    ASSERT_EQ(ERROR_SUCCESS, Ecrire(cle, nullptr, chemin));
    const DWORD attendue = static_cast<DWORD>((chemin.size() + 1) * sizeof(WCHAR));
    DWORD type = REG_NONE, taille = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(cle, u"", nullptr, &type, nullptr, &taille));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(attendue, taille);
    std::vector<WCHAR> lu(chemin.size() + 1, u'?');
    auto octets = reinterpret_cast<BYTE*>(lu.data());
    taille = attendue - 1;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(cle, nullptr, nullptr, &type, octets, &taille));
    EXPECT_EQ(attendue, taille);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(cle, nullptr, nullptr, &type, octets, &taille));
    EXPECT_EQ(chemin, Texte(lu.data()));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Lire(cle, u"Absente"));
    RegCloseKey(cle);
}

TEST_F(RegistreValeurs, LesOctetsEtLeTypeSontGardesTelsQuelsEtEnumeresDansLOrdre) {
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CURRENT_USER, u"Valeurs", &cle));
    const BYTE binaire[3] = {0x00, 0xFF, 0x7F};
    const DWORD nombre = 0x01020304;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(cle, u"Binaire", 0, REG_BINARY, binaire, 3));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(cle, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nombre), 4));
    EXPECT_EQ((Noms{u"Binaire", u""}), Lister(HKEY_CURRENT_USER, u"Valeurs", true))
        << "creation order, the default value with an empty name";
    WCHAR nom[16];
    BYTE donnees[8] = {};
    DWORD capacite = 16, type = 0, taille = 2;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueW(cle, 0, nom, &capacite, nullptr, &type, donnees, &taille));
    EXPECT_EQ(3u, taille);
    for (DWORD index : {0u, 1u}) {
        capacite = 16, taille = 8;
        ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(cle, index, nom, &capacite, nullptr, &type, donnees, &taille));
        EXPECT_EQ(index == 0 ? REG_BINARY : REG_DWORD, type);
        EXPECT_EQ(index == 0 ? 3u : 4u, taille);
        EXPECT_EQ(
            0, std::memcmp(index == 0 ? binaire : reinterpret_cast<const BYTE*>(&nombre), donnees, taille));
    }
    RegCloseKey(cle);
}

TEST_F(RegistreAcces, UnePoigneeNePermetQueLesDroitsDemandesALOuverture) {
    Poser(HKEY_CURRENT_USER, u"Cle\\Sous");
    HKEY lecture = nullptr, ecriture = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Ouvrir(HKEY_CURRENT_USER, u"Cle", KEY_READ, &lecture));
    ASSERT_EQ(ERROR_SUCCESS, Ouvrir(HKEY_CURRENT_USER, u"Cle", KEY_SET_VALUE, &ecriture));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Ecrire(lecture, u"v", u"x"));
    EXPECT_EQ(ERROR_SUCCESS, Ecrire(ecriture, u"v", u"x"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Lire(ecriture, u"v"));
    WCHAR nom[8];
    EXPECT_EQ(ERROR_ACCESS_DENIED, Enumerer(ecriture, 0, nom, 8));
    RegCloseKey(lecture);
    RegCloseKey(ecriture);
}

TEST_F(RegistreAcces, UneCleQuiRefuseLEcritureNeSOuvreQuEnLectureEtGardeSesValeurs) {
    HKEY avant = nullptr, cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CLASSES_ROOT, u"CLSID\\{A}", &avant));
    ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, u"clsid\\{a}", KEY_SET_VALUE));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Ouvrir(HKEY_CLASSES_ROOT, u"CLSID\\{A}", KEY_WRITE, &cle));
    EXPECT_EQ(nullptr, cle);
    EXPECT_EQ(ERROR_ACCESS_DENIED, Creer(HKEY_CLASSES_ROOT, u"CLSID\\{A}", &cle));
    EXPECT_EQ(ERROR_SUCCESS, Ouvrir(HKEY_CLASSES_ROOT, u"CLSID\\{A}", KEY_READ, &cle));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Lire(cle, nullptr));
    RegCloseKey(cle);
    EXPECT_EQ(ERROR_SUCCESS, Ecrire(avant, nullptr, u"x")) << "a handle keeps the rights it was opened with";
    RegCloseKey(avant);
}

TEST_F(RegistreAcces, UneCleQuiRefuseLaCreationNeGagneAucuneSousCle) {
    Poser(HKEY_CLASSES_ROOT, u"CLSID\\{Existante}");
    ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, u"CLSID", KEY_CREATE_SUB_KEY));
    HKEY cle = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, Creer(HKEY_CLASSES_ROOT, u"CLSID\\{B}\\InprocServer32", &cle));
    EXPECT_EQ(nullptr, cle);
    EXPECT_EQ(Noms{u"{Existante}"}, Lister(HKEY_CLASSES_ROOT, u"CLSID"));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, Poser(HKEY_CLASSES_ROOT, u"CLSID\\{Existante}"))
        << "an existing key still opens under a parent that refuses creation";
}

TEST_F(RegistreAcces, UneCleQuiRefuseLaSuppressionResteAvecSesValeursJusquALevee) {
    HKEY cle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CLASSES_ROOT, u"CLSID\\{A}", &cle));
    ASSERT_EQ(ERROR_SUCCESS, Ecrire(cle, nullptr, u"gardée"));
    ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, u"CLSID\\{A}", DELETE));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{A}"));
    EXPECT_EQ(ERROR_SUCCESS, Lire(cle, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, PlateformeRefuserAcces(HKEY_CLASSES_ROOT, u"CLSID\\{A}", 0));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, u"CLSID\\{A}"));
    RegCloseKey(cle);
}

TEST_F(RegistreAcces, UneRacineQuiRefuseDesDroitsLesRefuseJusquAuVidage) {
    ASSERT_EQ(ERROR_SUCCESS,
              PlateformeRefuserAcces(HKEY_CURRENT_USER, nullptr, KEY_CREATE_SUB_KEY | KEY_SET_VALUE));
    HKEY cle = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, Creer(HKEY_CURRENT_USER, u"Cle", &cle));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Ecrire(HKEY_CURRENT_USER, nullptr, u"x"));
    EXPECT_EQ(ERROR_SUCCESS, Ecrire(HKEY_LOCAL_MACHINE, nullptr, u"x")) << "only that root refuses";
    PlateformeViderRegistre();
    EXPECT_EQ(REG_CREATED_NEW_KEY, Poser(HKEY_CURRENT_USER, u"Cle"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, Lire(HKEY_LOCAL_MACHINE, nullptr))
        << "emptying takes the roots' values too";
}

TEST_F(RegistreConcurrence, DesThreadsQuiCreentLesMemesClesEnMemeTempsLesCreentChacuneUneFois) {
    constexpr int fils = 4, cles = 5000;
    std::atomic<int> prets{0}, creations{0}, echecs{0};
    std::vector<std::thread> threads;
    for (int f = 0; f < fils; ++f)
        threads.emplace_back([&, f] {
            const Texte moi(1, static_cast<WCHAR>(u'A' + f));
            // All at once, on the same keys, for the most collisions.
            for (++prets; prets < fils;) std::this_thread::yield();
            for (int i = 0; i < cles; ++i) {
                const std::string n = std::to_string(i);
                const Texte chemin = u"Commune\\" + Texte(n.begin(), n.end()) + u"\\Feuille";
                HKEY cle = nullptr;
                DWORD disposition = 0;
                if (Creer(HKEY_CURRENT_USER, chemin, &cle, &disposition) != ERROR_SUCCESS) {
                    ++echecs;
                    continue;
                }
                if (disposition == REG_CREATED_NEW_KEY) ++creations;
                for (int fois = 0; fois < 3; ++fois)
                    echecs += Ecrire(cle, moi.c_str(), chemin) != ERROR_SUCCESS;
                echecs += RegCloseKey(cle) != ERROR_SUCCESS;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(0, echecs.load());
    EXPECT_EQ(cles, creations.load()) << "each key is created once, whichever thread wins";
    EXPECT_EQ(static_cast<size_t>(cles), Lister(HKEY_CURRENT_USER, u"Commune").size());
    EXPECT_EQ(static_cast<size_t>(fils), Lister(HKEY_CURRENT_USER, u"Commune\\123\\Feuille", true).size())
        << "every thread's value in the one key";
}

TEST_F(RegistreMemoire, UneCreationSansMemoireEchoueSansLaisserNiCleNiBloc) {
    HKEY base = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Creer(HKEY_CURRENT_USER, u"Base", &base));
    const Texte chemin = u"Un nom assez long\\Deux\\Trois"; // allocated before the failures
    for (long rang = 0;; ++rang) {
        const long avant = EssaiAllocationsVivantes();
        HKEY cle = nullptr;
        EssaiEchouerAllocation(rang);
        const LONG resultat = Creer(base, chemin, &cle);
        const long faites = EssaiAllocationsFaites();
        EssaiEchouerAllocation(-1);
        if (faites <= rang) {
            EXPECT_EQ(ERROR_SUCCESS, resultat);
            EXPECT_GT(rang, 3) << "the stand-in's allocations escape the process's operator new";
            RegCloseKey(cle);
            break;
        }
        EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, resultat) << "allocation " << rang;
        EXPECT_EQ(nullptr, cle);
        EXPECT_EQ(avant, EssaiAllocationsVivantes()) << "allocation " << rang << " failing leaked a block";
        EXPECT_EQ(Noms{}, Lister(base, u"")) << "allocation " << rang;
    }
    RegCloseKey(base);
}

} // namespace
