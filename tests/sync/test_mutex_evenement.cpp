// The mutex and event wrappers, on the real Win32 objects under Wine and on
// the stand-in on Linux: both must behave as Win32 does.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "plateforme.h"
#include "sync/evenement.h"
#include "sync/mutex.h"
#include "support/essais.h"

namespace {

struct MutexPtr {
    IMutex* m = CreerMutex();
    ~MutexPtr() { DetruireMutex(m); }
    IMutex* operator->() const { return m; }
};
struct EvenementPtr {
    IEvenement* e = CreerEvenement();
    ~EvenementPtr() { DetruireEvenement(e); }
    IEvenement* operator->() const { return e; }
};

// Verrouiller(0) from another thread: does anybody else own the mutex?
bool AutreThreadObtient(IMutex* mutex) {
    bool obtenu = false;
    std::thread([&] {
        obtenu = mutex->Verrouiller(0);
        if (obtenu) mutex->Deverrouiller();
    }).join();
    return obtenu;
}

TEST(MutexWin32, AppartientAuThreadQuiLeTientEtLuiSeul) {
    SAUTER_SOUS_EMULATION_I386();
    MutexPtr mutex;
    ASSERT_TRUE(mutex->Verrouiller(0));
    ASSERT_TRUE(mutex->Verrouiller()) << "re-entry by its owner";
    EXPECT_FALSE(AutreThreadObtient(mutex.m));
    std::thread([&] { mutex->Deverrouiller(); }).join();
    mutex->Deverrouiller();
    EXPECT_FALSE(AutreThreadObtient(mutex.m)) << "a stranger's release, or one of two, must keep it owned";
    mutex->Deverrouiller();
    EXPECT_TRUE(AutreThreadObtient(mutex.m));
}

TEST(MutexWin32, UnMutexAbandonneParSonThreadEstObtenuMaisSignaleParFaux) {
    SAUTER_SOUS_EMULATION_I386();
    MutexPtr mutex;
    std::thread([&] { ASSERT_TRUE(mutex->Verrouiller()); }).join();
    EXPECT_FALSE(mutex->Verrouiller());
    EXPECT_FALSE(AutreThreadObtient(mutex.m)) << "the abandoned mutex must now be ours";
    mutex->Deverrouiller();
    EXPECT_TRUE(mutex->Verrouiller(0)) << "abandonment is reported once";
    mutex->Deverrouiller();
}

TEST(MutexWin32, UneAttenteLimiteeExpirePuisAboutitQuandLeThreadProprietaireLibere) {
    SAUTER_SOUS_EMULATION_I386();
    MutexPtr mutex;
    std::atomic<bool> tenu{false}, liberer{false};
    std::thread proprietaire([&] {
        mutex->Verrouiller();
        tenu = true;
        while (!liberer) std::this_thread::yield();
        mutex->Deverrouiller();
    });
    while (!tenu) std::this_thread::yield();
    EXPECT_FALSE(mutex->Verrouiller(30));
    liberer = true;
    EXPECT_TRUE(mutex->Verrouiller(60000));
    mutex->Deverrouiller();
    proprietaire.join();
}

TEST(EvenementWin32, ResteSignaleJusquAReinitialiser) {
    EvenementPtr evenement;
    EXPECT_FALSE(evenement->Attendre(0));
    evenement->Signaler();
    EXPECT_TRUE(evenement->Attendre(0));
    EXPECT_TRUE(evenement->Attendre(0)) << "manual reset: a wait does not consume the signal";
    EXPECT_TRUE(evenement->Attendre());
    evenement->Reinitialiser();
    EXPECT_FALSE(evenement->Attendre(0));
}

TEST(EvenementWin32, LibereTousLesThreadsQuiAttendent) {
    SAUTER_SOUS_EMULATION_I386();
    EvenementPtr evenement;
    std::atomic<int> liberes{0};
    std::thread a([&] { liberes += evenement->Attendre(60000); });
    std::thread b([&] { liberes += evenement->Attendre(); });
    EXPECT_FALSE(evenement->Attendre(20));
    evenement->Signaler();
    a.join();
    b.join();
    EXPECT_EQ(2, liberes);
}

TEST(Synchronisation, UnePoigneeNulleOuFermeeFaitEchouerLAttente) {
    DetruireMutex(nullptr);
    DetruireEvenement(nullptr);
    IMutex* tenu = CreerMutex();
    ASSERT_TRUE(tenu->Verrouiller());
    DetruireMutex(tenu); // closed while owned: no release needed, no hang
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(nullptr, 0));
    HANDLE evenement = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(nullptr, evenement);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(evenement, 0));
    ASSERT_TRUE(CloseHandle(evenement));
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(evenement, 0));
    EXPECT_FALSE(SetEvent(evenement));
    EXPECT_FALSE(CloseHandle(evenement));
}

} // namespace
