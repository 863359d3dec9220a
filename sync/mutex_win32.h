#ifndef LEXIGARDE_SYNC_MUTEX_WIN32_H
#define LEXIGARDE_SYNC_MUTEX_WIN32_H

#include "plateforme.h"
#include "sync/incopiable.h"
#include "sync/mutex.h"

// An unnamed Win32 mutex; the wrapper owns its handle.
class MutexWin32 : private Incopiable, public IMutex {
public:
    MutexWin32();
    ~MutexWin32() override;

    bool Verrouiller(std::uint32_t delai) override;
    bool Verrouiller() override;
    void Deverrouiller() override;

private:
    HANDLE poignee;
};

#endif
