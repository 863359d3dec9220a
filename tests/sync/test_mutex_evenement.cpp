// The mutex and event wrappers, on the real Win32 objects under Wine and on
// the stand-in on Linux: both must behave as Win32 does.
#include <thread>

#include "sync/evenement.h"
#include "sync/mutex.h"
#include "support/essais.h"

namespace {

// Verrouiller(0) from another thread: does anybody else own the mutex?
bool AutreThreadObtient(IMutex* mutex) {
    bool obtenu = false;
    std::thread([&] {
        obtenu = mutex->Verrouiller(0);
        if (obtenu) mutex->Deverrouiller();
    }).join();
    return obtenu;
}

// Owned by one thread until it releases it, or ends holding it: then the
// next owner obtains it, reported as abandoned (false), once.
TEST(MutexWin32, AppartientAuThreadQuiLeTientJusquALaLiberationOuLAbandon) {
    IMutex* mutex = CreerMutex();
    ASSERT_TRUE(mutex->Verrouiller(0));
    EXPECT_FALSE(AutreThreadObtient(mutex));
    mutex->Deverrouiller();
    EXPECT_TRUE(AutreThreadObtient(mutex));
    std::thread([&] { ASSERT_TRUE(mutex->Verrouiller()); }).join();
    EXPECT_FALSE(mutex->Verrouiller());
    mutex->Deverrouiller();
    EXPECT_TRUE(mutex->Verrouiller(0));
    DetruireMutex(mutex); // closed while owned: no release needed
}

TEST(EvenementWin32, ResteSignaleJusquAReinitialiser) {
    IEvenement* evenement = CreerEvenement();
    EXPECT_FALSE(evenement->Attendre(0));
    evenement->Signaler();
    EXPECT_TRUE(evenement->Attendre(0));
    EXPECT_TRUE(evenement->Attendre()) << "manual reset: a wait leaves the signal";
    evenement->Reinitialiser();
    EXPECT_FALSE(evenement->Attendre(20));
    DetruireEvenement(evenement);
}

#if !defined(_WIN32)
// The kernel object could not be made (its memory failed): the wrapper
// holds no handle, and every wait fails at once instead of hanging.
TEST(Synchronisation, UnObjetNoyauNonCreeFaitEchouerLesAttentesSansBloquer) {
    EssaiEchouerAllocation(1); // the wrapper is allocation 0
    IMutex* mutex = CreerMutex();
    EssaiEchouerAllocation(1);
    IEvenement* evenement = CreerEvenement();
    EssaiEchouerAllocation(-1);
    EXPECT_FALSE(mutex->Verrouiller());
    mutex->Deverrouiller();
    evenement->Signaler();
    EXPECT_FALSE(evenement->Attendre());
    DetruireMutex(mutex);
    DetruireEvenement(evenement);
}
#endif

} // namespace
