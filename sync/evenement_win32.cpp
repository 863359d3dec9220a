#include "sync/evenement_win32.h"

IEvenement::~IEvenement() = default;

EvenementWin32::EvenementWin32() : poignee(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

EvenementWin32::~EvenementWin32() { CloseHandle(poignee); }

bool EvenementWin32::Attendre(std::uint32_t delai) {
    return WaitForSingleObject(poignee, delai) == WAIT_OBJECT_0;
}

bool EvenementWin32::Attendre() { return Attendre(INFINITE); }

void EvenementWin32::Signaler() { SetEvent(poignee); }

void EvenementWin32::Reinitialiser() { ResetEvent(poignee); }

IEvenement* CreerEvenement() { return new EvenementWin32(); }

void DetruireEvenement(IEvenement* evenement) { delete evenement; }
