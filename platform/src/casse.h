// Case folding inside the Linux stand-in: registry names and module names
// compare blind to case, as on Windows.
#ifndef PLATEFORME_CASSE_H
#define PLATEFORME_CASSE_H

#include "plateforme_linux.h"

// Upper case, as Windows compares: upper-case forms, so the order of names
// is that of Windows too ('_' sorts after the letters). ASCII and Latin-1.
inline WCHAR Majuscule(WCHAR c) {
    if (c >= u'a' && c <= u'z') return static_cast<WCHAR>(c - 0x20);
    // à to þ, except the division sign.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 0x20);
    if (c == 0xFF) return 0x178; // ÿ, whose capital lies outside Latin-1
    return c;
}

#endif
