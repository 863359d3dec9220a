// The module's global objects, all in this one file because C++ builds the
// globals of one file in the order they are written, and tears them down in
// the reverse order. That order is the module's load order:
//   1 the keyword table, 2 the module counter (its mutex, then its event),
//   3-9 the registration records, 10 the entity table.
// The module has no entry-point logic of its own besides this.
#include <string>

#include "components/keywords/table_mots_cles.h"
#include "components/translation/table_entites.h"
#include "module/compteur_module.h"
#include "registration/enregistrements.h"

const TableMotsCles tableMotsCles;

CompteurModule compteurModule;

// ISO 8859-1 texts: é is 0xE9, à 0xE0, è 0xE8.
const std::string nomModule = "Lexigarde.dll";
const std::string descriptionLexigarde = "Composant interne de validation de mots cl\xE9s";
const std::string progIdIndependantLexigarde = "Composant.Interne.ValidationMotsCles";
const std::string progIdLexigarde = "Composant.Interne.ValidationMotsCles.1";
const std::string descriptionTraducteur =
    "Composant interne de traduction de ASCII \xE0 m\xE9tacaract\xE8re HTML";
const std::string progIdIndependantTraducteur = "Composant.Interne.Trad.ASCII.HTML";
const std::string progIdTraducteur = "Composant.Interne.Trad.ASCII.HTML.1";

const TableEntites tableEntites;
