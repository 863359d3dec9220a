// lexigarde_bench: Lexigarde.dll against the floors of its algorithms, in
// one process and one run.
//
//   lexigarde_bench [Google Benchmark options]   the timings
//   lexigarde_bench --compter NOM APPELS         one counted loop, for callgrind
//   lexigarde_bench --ecrire-texte FICHIER OCTETS [utf8|cjk]   text for the tool:
//       French in Latin-1 (OCTETS of it), the same text in UTF-8, or
//       Chinese and emoji in UTF-8 (OCTETS of it)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

#include "commun.h"
#include "flux.h"

namespace {

std::basic_string<WCHAR> Elargir(const std::string& texte) {
    return std::basic_string<WCHAR>(texte.begin(), texte.end());
}

std::string DossierDuProgramme() {
    char chemin[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    const std::string texte(chemin, n > 0 ? static_cast<std::size_t>(n) : 0);
    return texte.substr(0, texte.rfind('/') + 1);
}

template <class Fonction>
Fonction Exporte(HMODULE module, const char* nom) {
    const FARPROC adresse = GetProcAddress(module, nom);
    if (adresse == nullptr) throw std::runtime_error(std::string("Lexigarde.dll has no ") + nom);
    return reinterpret_cast<Fonction>(reinterpret_cast<void (*)(void)>(adresse));
}

// The instructions of the loop and of everything it calls, and nothing else:
// callgrind runs with --toggle-collect=CompterAppels.
extern "C" __attribute__((noinline)) std::uint64_t CompterAppels(Boucle boucle, std::size_t appels) {
    return boucle(appels);
}

int Compter(const char* nom, const char* appels) {
    const std::size_t nombre = std::strtoull(appels, nullptr, 10);
    auto essayer = [&](const BoucleNommee& boucle) {
        if (std::strcmp(boucle.nom, nom) != 0) return false;
        // One pass first, so that lazy binding and first touches stay out of the count.
        boucle.boucle(tailleFluxMots);
        const std::uint64_t resultat = CompterAppels(boucle.boucle, nombre);
        std::printf("%s %zu %llu\n", nom, nombre, static_cast<unsigned long long>(resultat));
        return true;
    };
    for (const BoucleNommee& boucle : bouclesValider)
        if (essayer(boucle)) return 0;
    for (const BoucleNommee& boucle : bouclesTraduire)
        if (essayer(boucle)) return 0;
    std::fprintf(stderr, "lexigarde_bench: no counted loop named %s\n", nom);
    return 2;
}

int EcrireTexte(const char* fichier, const char* octets, const std::string& sorte) {
    std::FILE* flux = std::fopen(fichier, "wb");
    if (flux == nullptr) {
        std::perror(fichier);
        return 2;
    }
    // Written in pieces of 16 MiB: a text of gigabytes need not fit in
    // memory. For UTF-8, each piece of the Latin-1 text converted.
    std::size_t reste = std::strtoull(octets, nullptr, 10);
    constexpr std::size_t piece = std::size_t{16} << 20;
    const std::string morceau = sorte == "cjk" ? TexteCjkUtf8(piece) : TexteFrancaisLatin1(piece);
    bool ok = true;
    while (reste > 0 && ok) {
        std::size_t n = std::min(reste, morceau.size());
        if (sorte == "cjk") // whole characters only: a few bytes short at worst
            while (n < morceau.size() && (static_cast<unsigned char>(morceau[n]) & 0xC0) == 0x80) --n;
        if (n == 0) break;
        reste -= n;
        const std::string ecrit = sorte == "utf8" ? EnUtf8(morceau.substr(0, n)) : morceau.substr(0, n);
        ok = std::fwrite(ecrit.data(), 1, ecrit.size(), flux) == ecrit.size();
    }
    if (std::fclose(flux) != 0 || !ok) {
        std::perror(fichier);
        return 2;
    }
    return 0;
}

} // namespace

const ModuleCharge& Module() {
    static const ModuleCharge module = [] {
        const std::string chemin = DossierDuProgramme() + "Lexigarde.dll";
        const HMODULE poignee = LoadLibraryW(Elargir(chemin).c_str());
        if (poignee == nullptr) throw std::runtime_error("cannot load " + chemin);
        return ModuleCharge{poignee, Exporte<PFN_DllGetClassObject>(poignee, "DllGetClassObject"),
                            Exporte<PFN_DllCanUnloadNow>(poignee, "DllCanUnloadNow")};
    }();
    return module;
}

void* CreerObjet(REFCLSID clsid, REFIID iid) {
    IClassFactory* fabrique = nullptr;
    HRESULT hr = Module().obtenir(clsid, IID_IClassFactory, reinterpret_cast<void**>(&fabrique));
    if (FAILED(hr)) throw std::runtime_error("DllGetClassObject failed");
    void* objet = nullptr;
    hr = fabrique->CreateInstance(nullptr, iid, &objet);
    fabrique->Release();
    if (FAILED(hr)) throw std::runtime_error("CreateInstance failed");
    return objet;
}

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::strcmp(argv[1], "--compter") == 0) return Compter(argv[2], argv[3]);
        if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--ecrire-texte") == 0)
            return EcrireTexte(argv[2], argv[3], argc == 5 ? argv[4] : "latin1");

        // Until a process starts its second thread, glibc takes a cheaper
        // path in its locks and atomics; clients of a server are rarely that
        // alone, so neither are we.
        std::thread([] {}).join();

        InscrireValider();
        InscrireTraduire();
        InscrireVie();
        InscrireOutil();
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    } catch (const std::exception& erreur) {
        std::fprintf(stderr, "lexigarde_bench: %s\n", erreur.what());
        return 2;
    }
}
