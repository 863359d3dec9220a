#include "sync/mutex_win32.h"

IMutex::~IMutex() = default;

// Whatever handle the system gives is kept: a failed creation leaves a null
// handle whose waits fail at once.
MutexWin32::MutexWin32() : poignee(CreateMutexW(nullptr, FALSE, nullptr)) {}

// Closes without releasing: ownership ends with the object.
MutexWin32::~MutexWin32() { CloseHandle(poignee); }

bool MutexWin32::Verrouiller(std::uint32_t delai) {
    return WaitForSingleObject(poignee, delai) == WAIT_OBJECT_0;
}

bool MutexWin32::Verrouiller() { return Verrouiller(INFINITE); }

void MutexWin32::Deverrouiller() { ReleaseMutex(poignee); }

IMutex* CreerMutex() { return new MutexWin32(); }

void DetruireMutex(IMutex* mutex) { delete mutex; }
