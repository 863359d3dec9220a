#include "module/compteur_module.h"

CompteurModule::CompteurModule() : compte(0), mutex(CreerMutex()), evenement(CreerEvenement()) {}

CompteurModule::~CompteurModule() {
    DetruireEvenement(evenement);
    DetruireMutex(mutex);
}

// The wait's result is not looked at: an abandoned mutex is ours all the same.
void CompteurModule::Incrementer() {
    mutex->Verrouiller();
    compte.fetch_add(1, std::memory_order_acq_rel);
    mutex->Deverrouiller();
}

void CompteurModule::Decrementer() {
    mutex->Verrouiller();
    if (compte.fetch_sub(1, std::memory_order_acq_rel) == 1) evenement->Signaler();
    mutex->Deverrouiller();
}

bool CompteurModule::EstNul() const { return compte.load(std::memory_order_acquire) == 0; }
