#ifndef LEXIGARDE_REGISTRATION_OUTILS_REGISTRE_H
#define LEXIGARDE_REGISTRATION_OUTILS_REGISTRE_H

#include <string>

#include "plateforme.h"

// The registry's text: UTF-16, in the platform's wide character type.
using TexteLarge = std::basic_string<WCHAR>;

// Latin-1 to UTF-16: each byte becomes the code unit of the same value.
TexteLarge ElargirTexte(const std::string& texte);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case. Throws
// std::bad_alloc when the system has no memory for it.
TexteLarge TexteCLSID(REFCLSID clsid);

// "CLSID\" followed by the text of a class identifier.
TexteLarge CheminCleCLSID(const TexteLarge& texteClsid);

// The full path of a loaded module's file; empty when the system gives none.
TexteLarge CheminModule(HMODULE module);

// Creates (or opens) HKEY_CLASSES_ROOT\cle[\sousCle] and, when `valeur` is
// not empty, sets its default value. False when either step fails.
bool CreerCle(const TexteLarge& cle, const TexteLarge& sousCle, const TexteLarge& valeur);

// Sets a named value on an existing key below HKEY_CLASSES_ROOT; the key is
// opened even for an empty `valeur`, which writes nothing. False when the key
// cannot be opened or the value cannot be set.
bool DefinirValeur(const TexteLarge& cle, const TexteLarge& nomValeur, const TexteLarge& valeur);

// Deletes parent\sousCle and everything below it, depth first. Returns the
// first Win32 error met, ERROR_SUCCESS when all is gone.
LONG SupprimerArborescence(HKEY parent, const TexteLarge& sousCle);

// Fixed names, built on first use and released at unload.
const TexteLarge& Separateur();

#endif
