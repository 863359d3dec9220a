// Kernel objects of the Linux stand-in: handles, mutexes, events, last error.
//
// A handle is a key into one table of the process, so that a closed or
// never-issued handle is recognised and refused instead of being followed.
// A wait keeps its object alive even if another thread closes the handle.
#include "plateforme_linux.h"
#include "refus.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

thread_local DWORD derniereErreur = ERROR_SUCCESS;
std::atomic<DWORD> appelsRefuses{0};

struct ObjetNoyau {
    virtual ~ObjetNoyau() = default;
    virtual DWORD Attendre(DWORD delai) = 0;
};

// A Win32 mutex: recursive, owned by a thread, abandoned when its owner ends
// while holding it. A robust recursive pthread mutex has exactly that shape.
class Mutex final : public ObjetNoyau {
public:
    Mutex() : mutex_(new pthread_mutex_t) {
        pthread_mutexattr_t attributs;
        pthread_mutexattr_init(&attributs);
        pthread_mutexattr_settype(&attributs, PTHREAD_MUTEX_RECURSIVE);
        pthread_mutexattr_setrobust(&attributs, PTHREAD_MUTEX_ROBUST);
        pthread_mutex_init(mutex_, &attributs);
        pthread_mutexattr_destroy(&attributs);
    }

    // The last handle is gone, so the kernel object goes, owned or not. An
    // owner thread keeps the robust mutex on its list until it ends, so the
    // memory may be freed only once nobody owns it: when another thread
    // still does, it is left behind on purpose.
    ~Mutex() override {
        const int essai = pthread_mutex_trylock(mutex_);
        if (essai == EBUSY) return;
        if (essai == EOWNERDEAD) pthread_mutex_consistent(mutex_);
        while (pthread_mutex_unlock(mutex_) == 0) {
        }
        pthread_mutex_destroy(mutex_);
        delete mutex_;
    }

    DWORD Attendre(DWORD delai) override {
        int resultat;
        if (delai == INFINITE) {
            resultat = pthread_mutex_lock(mutex_);
        } else if (delai == 0) {
            resultat = pthread_mutex_trylock(mutex_);
        } else {
            timespec echeance;
            clock_gettime(CLOCK_MONOTONIC, &echeance);
            echeance.tv_sec += delai / 1000;
            echeance.tv_nsec += static_cast<long>(delai % 1000) * 1000000L;
            if (echeance.tv_nsec >= 1000000000L) {
                echeance.tv_sec += 1;
                echeance.tv_nsec -= 1000000000L;
            }
            resultat = pthread_mutex_clocklock(mutex_, CLOCK_MONOTONIC, &echeance);
        }
        switch (resultat) {
        case 0:
            return WAIT_OBJECT_0;
        case EOWNERDEAD:
            // We own it now; Win32 reports the abandonment once and the mutex
            // stays usable afterwards.
            pthread_mutex_consistent(mutex_);
            return WAIT_ABANDONED;
        case EBUSY:
        case ETIMEDOUT:
            return WAIT_TIMEOUT;
        default:
            derniereErreur = ERROR_INVALID_HANDLE;
            return WAIT_FAILED;
        }
    }

    bool Liberer() { return pthread_mutex_unlock(mutex_) == 0; }

private:
    pthread_mutex_t* const mutex_;
};

class Evenement final : public ObjetNoyau {
public:
    Evenement(bool reinitialisationManuelle, bool signale)
        : manuel_(reinitialisationManuelle), signale_(signale) {}

    DWORD Attendre(DWORD delai) override {
        std::unique_lock<std::mutex> verrou(mutex_);
        auto estSignale = [this] { return signale_; };
        if (delai == INFINITE) {
            condition_.wait(verrou, estSignale);
        } else if (!condition_.wait_for(verrou, std::chrono::milliseconds(delai), estSignale)) {
            return WAIT_TIMEOUT;
        }
        if (!manuel_) signale_ = false;
        return WAIT_OBJECT_0;
    }

    void Definir(bool signale) {
        {
            std::lock_guard<std::mutex> verrou(mutex_);
            signale_ = signale;
        }
        if (signale) condition_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    const bool manuel_;
    bool signale_;
};

class TablePoignees {
public:
    HANDLE Inserer(std::shared_ptr<ObjetNoyau> objet) {
        std::lock_guard<std::mutex> verrou(mutex_);
        // Handles are multiples of 4 and never reused, as far as 2^62 goes.
        prochaine_ += 4;
        const HANDLE poignee = reinterpret_cast<HANDLE>(prochaine_);
        objets_.emplace(poignee, std::move(objet));
        return poignee;
    }

    std::shared_ptr<ObjetNoyau> Trouver(HANDLE poignee) {
        std::lock_guard<std::mutex> verrou(mutex_);
        const auto it = objets_.find(poignee);
        if (it == objets_.end()) return nullptr;
        return it->second;
    }

    bool Retirer(HANDLE poignee) {
        std::lock_guard<std::mutex> verrou(mutex_);
        return objets_.erase(poignee) == 1;
    }

private:
    std::mutex mutex_;
    std::uintptr_t prochaine_ = 0;
    std::unordered_map<HANDLE, std::shared_ptr<ObjetNoyau>> objets_;
};

TablePoignees& Poignees() {
    // Never destroyed: handles may still be closed from other libraries'
    // global destructors at process exit.
    static TablePoignees* const table = new TablePoignees;
    return *table;
}

template <class T>
std::shared_ptr<T> TrouverDeType(HANDLE poignee) {
    auto objet = std::dynamic_pointer_cast<T>(Poignees().Trouver(poignee));
    if (!objet) {
        derniereErreur = ERROR_INVALID_HANDLE;
        CompterRefus();
    }
    return objet;
}

HANDLE Inserer(std::shared_ptr<ObjetNoyau> objet) {
    derniereErreur = ERROR_SUCCESS;
    return Poignees().Inserer(std::move(objet));
}

} // namespace

extern "C" {

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

BOOL IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

DWORD GetLastError() { return derniereErreur; }
void SetLastError(DWORD code) { derniereErreur = code; }

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL proprietaireInitial, LPCWSTR nom) {
    if (nom != nullptr) {
        derniereErreur = ERROR_NOT_SUPPORTED;
        return nullptr;
    }
    try {
        auto mutex = std::make_shared<Mutex>();
        if (proprietaireInitial) mutex->Attendre(INFINITE);
        return Inserer(std::move(mutex));
    } catch (...) {
        derniereErreur = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
}

BOOL ReleaseMutex(HANDLE poignee) {
    const auto mutex = TrouverDeType<Mutex>(poignee);
    if (!mutex) return FALSE;
    if (!mutex->Liberer()) {
        derniereErreur = ERROR_NOT_OWNER;
        CompterRefus();
        return FALSE;
    }
    return TRUE;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL reinitialisationManuelle, BOOL etatInitial, LPCWSTR nom) {
    if (nom != nullptr) {
        derniereErreur = ERROR_NOT_SUPPORTED;
        return nullptr;
    }
    try {
        return Inserer(std::make_shared<Evenement>(reinitialisationManuelle, etatInitial));
    } catch (...) {
        derniereErreur = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
}

BOOL SetEvent(HANDLE poignee) {
    const auto evenement = TrouverDeType<Evenement>(poignee);
    if (!evenement) return FALSE;
    evenement->Definir(true);
    return TRUE;
}

BOOL ResetEvent(HANDLE poignee) {
    const auto evenement = TrouverDeType<Evenement>(poignee);
    if (!evenement) return FALSE;
    evenement->Definir(false);
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE poignee, DWORD delai) {
    const auto objet = TrouverDeType<ObjetNoyau>(poignee);
    if (!objet) return WAIT_FAILED;
    return objet->Attendre(delai);
}

BOOL CloseHandle(HANDLE poignee) {
    if (!Poignees().Retirer(poignee)) {
        derniereErreur = ERROR_INVALID_HANDLE;
        CompterRefus();
        return FALSE;
    }
    return TRUE;
}

DWORD PlateformeAppelsRefuses() { return appelsRefuses; }

} // extern "C"

void CompterRefus() { ++appelsRefuses; }
