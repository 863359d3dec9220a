#ifndef LEXIGARDE_SYNC_MUTEX_H
#define LEXIGARDE_SYNC_MUTEX_H

#include <cstdint>

// A mutex behind the system's own operations; its users never name a Win32
// type. Waits take milliseconds; 0xFFFFFFFF means no limit.
class IMutex {
public:
    // True when the mutex was obtained normally. An abandoned mutex is
    // obtained too, but reports false.
    virtual bool Verrouiller(std::uint32_t delai) = 0;
    virtual bool Verrouiller() = 0;
    virtual void Deverrouiller() = 0;
    virtual ~IMutex() = 0;
};

IMutex* CreerMutex();
void DetruireMutex(IMutex* mutex);

#endif
