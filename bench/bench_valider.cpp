// Valider through the interface, against the floors of a lookup in the same
// 63 words: the lower bound of the module's search with an inline comparator,
// and gperf's perfect hash.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstring>

#include "commun.h"
#include "flux.h"

#include "mots_cles_gperf.inc"

namespace {

constexpr std::size_t masque = tailleFluxMots - 1;
static_assert((tailleFluxMots & masque) == 0, "the stream wraps with a mask");

// The sorted words for the floor, as C strings like the module's input.
const char* tableTriee[63];
const char* const* const finTable = tableTriee + 63;

const bool tablePrete = [] {
    const auto& tries = MotsClesTries();
    for (std::size_t i = 0; i < 63; ++i) tableTriee[i] = tries[i].c_str();
    return true;
}();

// Unsigned bytes, the shorter word first: the module's order, inline.
inline int Comparer(const char* a, const char* b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    while (*x != 0 && *x == *y) ++x, ++y;
    return static_cast<int>(*x) - static_cast<int>(*y);
}

// The search the module promises, with nothing around it: lower bound, then
// one equality test.
inline bool EstMotCleBorneInferieure(const char* mot) {
    const char* const* premier = tableTriee;
    std::size_t compte = 63;
    while (compte > 0) {
        const std::size_t moitie = compte / 2;
        const char* const* milieu = premier + moitie;
        if (Comparer(*milieu, mot) < 0) {
            premier = milieu + 1;
            compte -= moitie + 1;
        } else {
            compte = moitie;
        }
    }
    return premier != finTable && Comparer(mot, *premier) == 0;
}

inline bool EstMotCleGperf(const char* mot) {
    return HachageMotsCles::Chercher(mot, std::strlen(mot)) != nullptr;
}

IValiderMotsCles* validateur = nullptr;

IValiderMotsCles* Validateur() {
    if (validateur == nullptr)
        validateur = static_cast<IValiderMotsCles*>(CreerObjet(CLSID_Lexigarde, IID_IValiderMotsCles));
    return validateur;
}

// Each loop checks that it finds exactly the keywords of the stream, so a
// floor that got the answer wrong could not look fast.
void VerifierCompte(benchmark::State& etat, std::size_t trouves, std::size_t mots) {
    const std::size_t attendus = FluxDeMots().motsCles * (mots / tailleFluxMots);
    if (mots % tailleFluxMots == 0 && trouves != attendus)
        etat.SkipWithError("wrong number of keywords found");
}

void ValiderInterface(benchmark::State& etat) {
    IValiderMotsCles* const v = Validateur();
    const char* const* const mots = FluxDeMots().mots.data();
    std::size_t i = 0, trouves = 0;
    for (auto _ : etat) {
        bool motCle = false;
        if (FAILED(v->Valider(mots[i++ & masque], &motCle))) etat.SkipWithError("Valider failed");
        trouves += motCle;
    }
    VerifierCompte(etat, trouves, i);
    etat.SetItemsProcessed(static_cast<std::int64_t>(i));
}

void ValiderBorneInferieure(benchmark::State& etat) {
    const char* const* const mots = FluxDeMots().mots.data();
    std::size_t i = 0, trouves = 0;
    for (auto _ : etat) {
        bool motCle = EstMotCleBorneInferieure(mots[i++ & masque]);
        benchmark::DoNotOptimize(motCle);
        trouves += motCle;
    }
    VerifierCompte(etat, trouves, i);
    etat.SetItemsProcessed(static_cast<std::int64_t>(i));
}

void ValiderGperf(benchmark::State& etat) {
    const char* const* const mots = FluxDeMots().mots.data();
    std::size_t i = 0, trouves = 0;
    for (auto _ : etat) {
        bool motCle = EstMotCleGperf(mots[i++ & masque]);
        benchmark::DoNotOptimize(motCle);
        trouves += motCle;
    }
    VerifierCompte(etat, trouves, i);
    etat.SetItemsProcessed(static_cast<std::int64_t>(i));
}

std::uint64_t BoucleInterface(std::size_t appels) {
    IValiderMotsCles* const v = Validateur();
    const char* const* const mots = FluxDeMots().mots.data();
    std::uint64_t trouves = 0;
    for (std::size_t i = 0; i < appels; ++i) {
        bool motCle = false;
        v->Valider(mots[i & masque], &motCle);
        trouves += motCle;
    }
    return trouves;
}

std::uint64_t BoucleBorneInferieure(std::size_t appels) {
    const char* const* const mots = FluxDeMots().mots.data();
    std::uint64_t trouves = 0;
    for (std::size_t i = 0; i < appels; ++i) {
        bool motCle = EstMotCleBorneInferieure(mots[i & masque]);
        benchmark::DoNotOptimize(motCle);
        trouves += motCle;
    }
    return trouves;
}

std::uint64_t BoucleGperf(std::size_t appels) {
    const char* const* const mots = FluxDeMots().mots.data();
    std::uint64_t trouves = 0;
    for (std::size_t i = 0; i < appels; ++i) {
        bool motCle = EstMotCleGperf(mots[i & masque]);
        benchmark::DoNotOptimize(motCle);
        trouves += motCle;
    }
    return trouves;
}

} // namespace

const BoucleNommee bouclesValider[3] = {
    {"valider", BoucleInterface},
    {"valider_borne_inferieure", BoucleBorneInferieure},
    {"valider_gperf", BoucleGperf},
};

void InscrireValider() {
    benchmark::RegisterBenchmark("Valider/interface", ValiderInterface);
    benchmark::RegisterBenchmark("Valider/borne_inferieure", ValiderBorneInferieure);
    benchmark::RegisterBenchmark("Valider/gperf", ValiderGperf);
}
