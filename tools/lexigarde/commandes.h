// The tool's subcommands, apart from the reading of its command line.
#ifndef LEXIGARDE_OUTIL_COMMANDES_H
#define LEXIGARDE_OUTIL_COMMANDES_H

#include <string>
#include <vector>

#include "composants.h"

struct OptionsTraduction {
    std::vector<std::string> fichiers;
    std::string sortie;
    bool utf8 = false;
    bool strict = false;
    bool progres = true;
};

// "lexigarde: <message>" on standard error.
void Signaler(const std::string& message);

// Each returns the tool's exit status; errors are thrown as Erreur.
int Verifier(Serveur& serveur, const std::vector<std::string>& mots);
int Traduire(Serveur& serveur, const OptionsTraduction& options);
// `module`: the Lexigarde.dll to load ("" on Linux: the one beside the tool).
int Enregistrer(const std::string& module, bool enregistrer);
// `activation`: how the components are reached (on Linux, the file loaded).
int Etat(const std::string& activation);

#endif
