#ifndef LEXIGARDE_REGISTRATION_ENREGISTREMENTS_H
#define LEXIGARDE_REGISTRATION_ENREGISTREMENTS_H

#include <string>

// The registration records: ISO 8859-1 texts, built at load.
extern const std::string nomModule;
extern const std::string descriptionLexigarde;
extern const std::string progIdIndependantLexigarde;
extern const std::string progIdLexigarde;
extern const std::string descriptionTraducteur;
extern const std::string progIdIndependantTraducteur;
extern const std::string progIdTraducteur;

#endif
