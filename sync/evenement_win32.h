#ifndef LEXIGARDE_SYNC_EVENEMENT_WIN32_H
#define LEXIGARDE_SYNC_EVENEMENT_WIN32_H

#include "plateforme.h"
#include "sync/evenement.h"

// An unnamed, manual-reset Win32 event; the wrapper owns its handle.
class EvenementWin32 : public IEvenement {
public:
    EvenementWin32();
    ~EvenementWin32() override;
    EvenementWin32(const EvenementWin32&) = delete;
    EvenementWin32& operator=(const EvenementWin32&) = delete;

    bool Attendre(std::uint32_t delai) override;
    bool Attendre() override;
    void Signaler() override;
    void Reinitialiser() override;

private:
    HANDLE poignee;
};

#endif
