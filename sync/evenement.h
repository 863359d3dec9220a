#ifndef LEXIGARDE_SYNC_EVENEMENT_H
#define LEXIGARDE_SYNC_EVENEMENT_H

#include <cstdint>

// A manual-reset event behind the system's own operations.
class IEvenement {
public:
    virtual bool Attendre(std::uint32_t delai) = 0;
    virtual bool Attendre() = 0;
    virtual void Signaler() = 0;
    virtual void Reinitialiser() = 0;
    virtual ~IEvenement() = 0;
};

IEvenement* CreerEvenement();
void DetruireEvenement(IEvenement* evenement);

#endif
