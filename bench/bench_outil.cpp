// The client tool's translation stream (tools/lexigarde/traduction.cpp) on
// 64 MiB in the blocks the tool reads, output to /dev/null: the French text
// in Latin-1 and the same text in UTF-8, whose ratio says what decoding
// UTF-8 costs; and text mostly past Latin-1 (Chinese, emoji).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "commun.h"
#include "flux.h"
#include "tools/lexigarde/traduction.h"

namespace {

constexpr std::size_t taille = std::size_t{64} << 20;
constexpr std::size_t bloc = std::size_t{1} << 18; // as the tool reads

void Traduire(benchmark::State& etat, Codage codage, const std::string& texte) {
    auto* traducteur = static_cast<ITraduireASCIIMeta*>(CreerObjet(CLSID_TraducteurASCIIMeta, IID_ITraduireASCIIMeta));
    std::FILE* sortie = std::fopen("/dev/null", "wb");
    const auto* octets = reinterpret_cast<const unsigned char*>(texte.data());
    for (auto _ : etat) {
        Traduction traduction(traducteur, codage, false, sortie);
        traduction.Commencer("texte");
        for (std::size_t i = 0; i < texte.size(); i += bloc)
            traduction.Bloc(octets + i, std::min(bloc, texte.size() - i));
        traduction.Finir();
        traduction.Terminer();
        benchmark::DoNotOptimize(traduction.Resultat().caracteres);
    }
    etat.SetBytesProcessed(static_cast<std::int64_t>(etat.iterations() * texte.size()));
    std::fclose(sortie);
    traducteur->Release();
}

const std::string& Latin1() {
    static const std::string texte = TexteFrancaisLatin1(taille);
    return texte;
}

} // namespace

void InscrireOutil() {
    benchmark::RegisterBenchmark("TraductionOutil/latin1", [](benchmark::State& etat) {
        Traduire(etat, Codage::Latin1, Latin1());
    })->Unit(benchmark::kMillisecond)->MinTime(1.0);
    benchmark::RegisterBenchmark("TraductionOutil/utf8", [](benchmark::State& etat) {
        static const std::string texte = EnUtf8(Latin1());
        Traduire(etat, Codage::Utf8, texte);
    })->Unit(benchmark::kMillisecond)->MinTime(1.0);
    benchmark::RegisterBenchmark("TraductionOutil/utf8_cjk", [](benchmark::State& etat) {
        static const std::string texte = TexteCjkUtf8(taille);
        Traduire(etat, Codage::Utf8, texte);
    })->Unit(benchmark::kMillisecond)->MinTime(1.0);
}
