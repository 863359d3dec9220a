// Windows only. The module sets itself up by building its globals (see
// globales.cpp); the loader's notifications need nothing more.
#include "plateforme.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
