// Traduire through the interface, against one indexed copy of a fixed 8-byte
// slot behind an interface of another library; and the module's throughput
// on a 64 MiB buffer.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "commun.h"
#include "flux.h"
#include "plancher.h"

namespace {

constexpr std::size_t masque = tailleFluxTexte - 1;
static_assert((tailleFluxTexte & masque) == 0, "the stream wraps with a mask");

ITraduireASCIIMeta* traducteur = nullptr;

ITraduireASCIIMeta* Traducteur() {
    if (traducteur == nullptr)
        traducteur =
            static_cast<ITraduireASCIIMeta*>(CreerObjet(CLSID_TraducteurASCIIMeta, IID_ITraduireASCIIMeta));
    return traducteur;
}

// The same loop for both sides: one call per byte of the stream, its length
// kept, its result checked as a client would.
void TraduireFlux(benchmark::State& etat, ITraduireASCIIMeta* t) {
    const unsigned char* const texte = reinterpret_cast<const unsigned char*>(FluxDeTexte().data());
    std::size_t i = 0;
    std::uint64_t longueur = 0;
    ResultatTraduction resultat;
    for (auto _ : etat) {
        if (FAILED(t->Traduire(texte[i++ & masque], &resultat))) etat.SkipWithError("Traduire failed");
        longueur += static_cast<std::uint64_t>(resultat.longueur);
    }
    benchmark::DoNotOptimize(longueur);
    etat.SetItemsProcessed(static_cast<std::int64_t>(i));
}

void TraduireInterface(benchmark::State& etat) { TraduireFlux(etat, Traducteur()); }
void TraduireEmplacements(benchmark::State& etat) { TraduireFlux(etat, PlancherCreerTraducteur()); }

std::uint64_t BoucleTraduire(ITraduireASCIIMeta* t, std::size_t appels) {
    const unsigned char* const texte = reinterpret_cast<const unsigned char*>(FluxDeTexte().data());
    std::uint64_t longueur = 0;
    ResultatTraduction resultat;
    for (std::size_t i = 0; i < appels; ++i) {
        t->Traduire(texte[i & masque], &resultat);
        longueur += static_cast<std::uint64_t>(resultat.longueur);
    }
    return longueur;
}

// A whole buffer translated into HTML, as a client writes it out: each
// character's text appended to an output block, which is reused once full
// (where a client would write it). Texts of up to 8 bytes are copied as one
// 8-byte move into the block's slack, the rest by length, so that the loop
// costs what Traduire costs and not a call to memcpy per character.
const std::string& Texte64Mio() {
    static const std::string texte = TexteFrancaisLatin1(std::size_t{64} << 20);
    return texte;
}

void Traduire64Mio(benchmark::State& etat, ITraduireASCIIMeta* t) {
    const std::string& texte = Texte64Mio();
    constexpr std::size_t tailleSortie = std::size_t{1} << 18;
    std::vector<char> sortie(tailleSortie + sizeof(ResultatTraduction::texte));
    std::size_t rempli = 0;
    ResultatTraduction resultat{};
    for (auto _ : etat) {
        for (const char c : texte) {
            if (FAILED(t->Traduire(static_cast<unsigned char>(c), &resultat))) {
                etat.SkipWithError("Traduire failed");
                break;
            }
            const auto n = static_cast<std::size_t>(resultat.longueur);
            if (rempli + n > tailleSortie) rempli = 0;
            if (n <= 8)
                std::memcpy(sortie.data() + rempli, resultat.texte, 8);
            else
                std::memcpy(sortie.data() + rempli, resultat.texte, n);
            rempli += n;
        }
        benchmark::DoNotOptimize(sortie.data());
        benchmark::ClobberMemory();
    }
    etat.SetBytesProcessed(static_cast<std::int64_t>(etat.iterations() * texte.size()));
}

} // namespace

const BoucleNommee bouclesTraduire[2] = {
    {"traduire", [](std::size_t appels) { return BoucleTraduire(Traducteur(), appels); }},
    {"traduire_emplacements",
     [](std::size_t appels) { return BoucleTraduire(PlancherCreerTraducteur(), appels); }},
};

void InscrireTraduire() {
    benchmark::RegisterBenchmark("Traduire/interface", TraduireInterface);
    benchmark::RegisterBenchmark("Traduire/emplacements", TraduireEmplacements);
    benchmark::RegisterBenchmark("Traduire64Mio/interface", Traduire64Mio, Traducteur())
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
    benchmark::RegisterBenchmark("Traduire64Mio/emplacements", Traduire64Mio, PlancherCreerTraducteur())
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
}
