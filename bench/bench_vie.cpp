// The life of objects and factories, server locks and the unloading query,
// against the same create/destroy counted in a plain std::atomic. With one
// thread, and with two at once on the same module counter.
#include <benchmark/benchmark.h>

#include "commun.h"
#include "plancher.h"

namespace {

IClassFactory* fabriqueModule = nullptr;
IClassFactory* fabriquePlancher = nullptr;

IClassFactory* FabriqueModule() {
    if (fabriqueModule == nullptr && FAILED(Module().obtenir(CLSID_Lexigarde, IID_IClassFactory,
                                                             reinterpret_cast<void**>(&fabriqueModule))))
        fabriqueModule = nullptr;
    return fabriqueModule;
}

IClassFactory* FabriquePlancher() {
    if (fabriquePlancher == nullptr) fabriquePlancher = PlancherCreerFabrique();
    return fabriquePlancher;
}

void VieObjet(benchmark::State& etat, IClassFactory* fabrique) {
    for (auto _ : etat) {
        IUnknown* objet = nullptr;
        if (FAILED(
                fabrique->CreateInstance(nullptr, IID_IValiderMotsCles, reinterpret_cast<void**>(&objet)))) {
            etat.SkipWithError("CreateInstance failed");
            break;
        }
        objet->Release();
    }
}

void VieFabriqueModule(benchmark::State& etat) {
    const PFN_DllGetClassObject obtenir = Module().obtenir;
    for (auto _ : etat) {
        IClassFactory* fabrique = nullptr;
        if (FAILED(obtenir(CLSID_Lexigarde, IID_IClassFactory, reinterpret_cast<void**>(&fabrique)))) {
            etat.SkipWithError("DllGetClassObject failed");
            break;
        }
        fabrique->Release();
    }
}

void VieFabriquePlancher(benchmark::State& etat) {
    for (auto _ : etat) PlancherCreerFabrique()->Release();
}

void LockServer(benchmark::State& etat, IClassFactory* fabrique) {
    for (auto _ : etat) {
        fabrique->LockServer(TRUE);
        fabrique->LockServer(FALSE);
    }
}

void PeutDecharger(benchmark::State& etat, PFN_DllCanUnloadNow peutDecharger) {
    for (auto _ : etat) {
        HRESULT hr = peutDecharger();
        benchmark::DoNotOptimize(hr);
    }
}

// Both thread counts, timed by the wall clock: with two threads, each call
// is the time one thread takes while the other runs too.
void Variantes(benchmark::internal::Benchmark* b) { b->Threads(1)->Threads(2)->UseRealTime(); }

} // namespace

void InscrireVie() {
    Variantes(benchmark::RegisterBenchmark("VieObjet/interface", VieObjet, FabriqueModule()));
    Variantes(benchmark::RegisterBenchmark("VieObjet/atomique", VieObjet, FabriquePlancher()));
    Variantes(benchmark::RegisterBenchmark("VieFabrique/interface", VieFabriqueModule));
    Variantes(benchmark::RegisterBenchmark("VieFabrique/atomique", VieFabriquePlancher));
    Variantes(benchmark::RegisterBenchmark("LockServer/interface", LockServer, FabriqueModule()));
    Variantes(benchmark::RegisterBenchmark("LockServer/atomique", LockServer, FabriquePlancher()));
    Variantes(
        benchmark::RegisterBenchmark("DllCanUnloadNow/interface", PeutDecharger, Module().peutDecharger));
    Variantes(
        benchmark::RegisterBenchmark("DllCanUnloadNow/atomique", PeutDecharger, &PlancherPeutDecharger));
}
