// The one door to the platform: Win32 and COM on Windows, the stand-in
// library of the same names on Linux.
#ifndef LEXIGARDE_PLATEFORME_H
#define LEXIGARDE_PLATEFORME_H

#if defined(_WIN32)
#include <windows.h>
#include <objbase.h>
#include <olectl.h>
#else
#include "plateforme_linux.h"
#endif

#endif
