// Reading the registry as any client does, for the registration tests.
#ifndef LEXIGARDE_TESTS_REGISTRE_ESSAI_H
#define LEXIGARDE_TESTS_REGISTRE_ESSAI_H

#include <optional>
#include <string>
#include <vector>

#include "support/essais.h"

// The six trees registration writes, in the order it removes them.
inline const char* const arbresDesClasses[] = {
    "CLSID\\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}",
    "Composant.Interne.ValidationMotsCles",
    "Composant.Interne.ValidationMotsCles.1",
    "CLSID\\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}",
    "Composant.Interne.Trad.ASCII.HTML",
    "Composant.Interne.Trad.ASCII.HTML.1",
};

// A REG_SZ value below HKEY_CLASSES_ROOT without its NUL (which it must
// have); nullopt when the key or the value is missing or not REG_SZ.
std::optional<TexteLarge> LireTexte(const std::string& cle, const char* nomValeur = nullptr);
bool CleExiste(const TexteLarge& cle);

// Every key and value below HKEY_CLASSES_ROOT\cle, one line each, sorted;
// Enregistre: those of the six trees.
std::vector<std::string> Arborescence(const std::string& cle);
std::vector<std::string> Enregistre();

// On Linux the stand-in's registry is emptied, so that its blocks count for
// nothing; under Wine the registry is the system's.
void ViderRegistreEssai();

#endif
