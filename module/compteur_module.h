#ifndef LEXIGARDE_MODULE_COMPTEUR_MODULE_H
#define LEXIGARDE_MODULE_COMPTEUR_MODULE_H

#include <atomic>
#include <cstdint>

#include "sync/evenement.h"
#include "sync/mutex.h"

// Live component objects plus outstanding server locks: the module may be
// unloaded only while this is zero. Changed under the mutex; each decrement
// that lands on zero signals the event.
class CompteurModule {
public:
    CompteurModule();
    ~CompteurModule();
    CompteurModule(const CompteurModule&) = delete;
    CompteurModule& operator=(const CompteurModule&) = delete;

    void Incrementer();
    void Decrementer();
    bool EstNul() const;

    // For tests and diagnostics only: nothing in the module reads these.
    std::int32_t Compte() const { return compte.load(std::memory_order_acquire); }
    IEvenement* Evenement() const { return evenement; }

private:
    // Atomic because EstNul reads it without the mutex.
    std::atomic<std::int32_t> compte;
    IMutex* mutex;
    IEvenement* evenement;
};

extern CompteurModule compteurModule;

#endif
