// Reading the registry as any client does, for the registration tests.
#ifndef LEXIGARDE_TESTS_REGISTRE_ESSAI_H
#define LEXIGARDE_TESTS_REGISTRE_ESSAI_H

#include <optional>
#include <string>
#include <vector>

#include "support/essais.h"

struct ValeurLue {
    DWORD type;
    std::vector<BYTE> octets;
    // The text of a REG_SZ, without its terminating NUL.
    TexteLarge Texte() const;
};

// A value below HKEY_CLASSES_ROOT; nullopt when the key or the value is missing.
std::optional<ValeurLue> LireValeur(const TexteLarge& cle, const WCHAR* nomValeur = nullptr);
bool CleExiste(const TexteLarge& cle);

// Every key and value below HKEY_CLASSES_ROOT\cle, one line each, sorted.
std::vector<std::string> Arborescence(const TexteLarge& cle);

// Latin-1 text as UTF-16, as registration writes it.
TexteLarge Large(const std::string& texte);
std::string Etroit(const TexteLarge& texte);

#endif
