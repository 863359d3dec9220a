// The floors of the benchmarks that live in a shared library of their own,
// so that reaching them costs what reaching the module does: a call through
// an interface pointer into another library, with no inlining across it.
#ifndef LEXIGARDE_BENCH_PLANCHER_H
#define LEXIGARDE_BENCH_PLANCHER_H

#include "lexigarde.h"

#define PLANCHER_API extern "C" __attribute__((visibility("default")))

// A translator whose Traduire copies one fixed 8-byte slot and its length:
// one indexed copy behind an interface, with nothing else around it.
PLANCHER_API ITraduireASCIIMeta* PlancherCreerTraducteur();

// A factory whose objects count themselves in a plain std::atomic: the same
// create/destroy as the module's, minus its mutex and event. LockServer
// counts in the same atomic.
PLANCHER_API IClassFactory* PlancherCreerFabrique();

// The floor of DllCanUnloadNow: S_OK when that atomic is zero.
PLANCHER_API HRESULT PlancherPeutDecharger();

#endif
