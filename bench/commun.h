// What the benchmarks share: Lexigarde.dll loaded as a client loads it, and
// the loops that callgrind counts.
#ifndef LEXIGARDE_BENCH_COMMUN_H
#define LEXIGARDE_BENCH_COMMUN_H

#include <cstddef>
#include <cstdint>

#include "lexigarde.h"

// The module beside the benchmark, loaded once with LoadLibraryW; its
// exports found by name.
struct ModuleCharge {
    HMODULE poignee;
    PFN_DllGetClassObject obtenir;
    PFN_DllCanUnloadNow peutDecharger;
};
const ModuleCharge& Module();

// A new object of the module through its class factory, as a client gets
// one; the factory is released.
void* CreerObjet(REFCLSID clsid, REFIID iid);

// A loop of `appels` calls over a benchmark's stream, returning something
// the compiler must compute. callgrind counts the instructions spent inside
// CompterAppels only.
using Boucle = std::uint64_t (*)(std::size_t appels);
struct BoucleNommee {
    const char* nom;
    Boucle boucle;
};

// Each file of benchmarks registers its own and names its counted loops.
void InscrireValider();
void InscrireTraduire();
void InscrireVie();
void InscrireOutil();
extern const BoucleNommee bouclesValider[3];
extern const BoucleNommee bouclesTraduire[2];

#endif
