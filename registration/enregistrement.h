#ifndef LEXIGARDE_REGISTRATION_ENREGISTREMENT_H
#define LEXIGARDE_REGISTRATION_ENREGISTREMENT_H

#include <string>

#include "plateforme.h"
#include "registration/outils_registre.h"

// Writes the class key, server key and ProgID keys of one class below
// HKEY_CLASSES_ROOT. S_OK, or SELFREG_E_CLASS at the first step that fails;
// what was written before stays. `modeleThreading` may be null.
HRESULT EnregistrerComposant(const std::string& nomModule, REFCLSID clsid, const std::string& description,
                             const std::string& progIdIndependant, const std::string& progId,
                             const char* modeleThreading);

// The server key: LocalServer32 for an executable, else InprocServer32 and
// its ThreadingModel value (written only when not empty).
bool EnregistrerServeur(const TexteLarge& nomModule, const TexteLarge& cheminModule,
                        const TexteLarge& cleCLSID, const TexteLarge& modeleThreading);

// Deletes the three key trees of one class. Keys that do not exist are no
// error; a key that exists and stays gives SELFREG_E_CLASS. All three are
// attempted whatever happens.
HRESULT DesenregistrerComposant(REFCLSID clsid, const std::string& progIdIndependant,
                                const std::string& progId);

#endif
