#!/usr/bin/env python3
"""Runs the benchmarks of build/bench and prints their tables (Markdown).

    rapport.py BIN_DIR [--repetitions N] [--sortie FICHIER] [--outils] [--avant BIN_DIR]

--outils runs the third part only (a minute rather than four).

1. lexigarde_bench, repetitions in random interleaving: the median of each
   benchmark and its ratio to its floor, measured in the same run;
2. instructions per call of Valider and Traduire (and of their floors) from
   valgrind's callgrind, counted inside the loop only;
3. the client tool against recode and Python's html.escape on the same
   64 MiB Latin-1 file (whole process, output to /dev/null); `translate
   --utf8` on the same text in UTF-8 and on 64 MiB of Chinese and emoji,
   against html.escape with xmlcharrefreplace (--avant: also the tool of
   another build, such as the previous commit's, in the same run); and the
   tool's peak memory on 1 MiB, 64 MiB and 1 GiB.
"""
import argparse
import json
import os
import platform
import random
import statistics
import subprocess
import sys
import tempfile
import time

# Each benchmark and the floor it is measured against, with the measure its
# target is judged on: CPU time where one thread runs (steady on a shared
# machine), wall time where two contend (waiting shows only there).
PAIRES = [
    ("Valider/interface", "Valider/borne_inferieure", "cpu_time"),
    ("Valider/gperf", "Valider/borne_inferieure", "cpu_time"),
    ("Valider/interface", "Valider/gperf", "cpu_time"),
    ("Traduire/interface", "Traduire/emplacements", "cpu_time"),
    ("Traduire64Mio/interface/min_time:1.000", "Traduire64Mio/emplacements/min_time:1.000", "cpu_time"),
    ("TraductionOutil/utf8/min_time:1.000", "TraductionOutil/latin1/min_time:1.000", "cpu_time"),
    ("TraductionOutil/utf8_cjk/min_time:1.000", "TraductionOutil/latin1/min_time:1.000", "cpu_time"),
]
for quoi in ("VieObjet", "VieFabrique", "LockServer", "DllCanUnloadNow"):
    for fils in (1, 2):
        PAIRES.append((f"{quoi}/interface/real_time/threads:{fils}", f"{quoi}/atomique/real_time/threads:{fils}",
                       "cpu_time" if fils == 1 else "real_time"))

BOUCLES = ["valider", "valider_borne_inferieure", "valider_gperf", "traduire", "traduire_emplacements"]
APPELS = 1 << 20

MIO = 1 << 20


def executer(commande, **options):
    return subprocess.run(commande, check=True, **options)


def chronometrer(binaire, repetitions, dossier):
    sortie = os.path.join(dossier, "bench.json")
    executer([os.path.join(binaire, "lexigarde_bench"),
              f"--benchmark_repetitions={repetitions}",
              "--benchmark_enable_random_interleaving=true",
              "--benchmark_report_aggregates_only=true",
              f"--benchmark_out={sortie}", "--benchmark_out_format=json"],
             stdout=subprocess.DEVNULL)
    with open(sortie) as f:
        donnees = json.load(f)
    medianes = {}
    for b in donnees["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medianes[b["run_name"]] = b
    return donnees["context"], medianes


def compter(binaire, dossier):
    instructions = {}
    for boucle in BOUCLES:
        fichier = os.path.join(dossier, f"callgrind.{boucle}")
        executer(["valgrind", "--tool=callgrind", f"--callgrind-out-file={fichier}",
                  "--collect-atstart=no", "--toggle-collect=CompterAppels",
                  os.path.join(binaire, "lexigarde_bench"), "--compter", boucle, str(APPELS)],
                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(fichier) as f:
            for ligne in f:
                if ligne.startswith("totals:") or ligne.startswith("summary:"):
                    instructions[boucle] = int(ligne.split()[1]) / APPELS
    return instructions


def mesurer(commande, entree):
    """Wall time and peak resident memory (KiB) of one whole process."""
    with open(entree, "rb") as fe, open(os.devnull, "wb") as fs:
        debut = time.perf_counter()
        p = subprocess.Popen(commande, stdin=fe, stdout=fs, stderr=subprocess.DEVNULL)
        _, statut, usage = os.wait4(p.pid, 0)
        duree = time.perf_counter() - debut
    if os.waitstatus_to_exitcode(statut) != 0:
        raise RuntimeError(f"{commande[0]} failed")
    return duree, usage.ru_maxrss


def comparerOutils(binaire, dossier, repetitions, avant=None):
    outil = os.path.join(binaire, "lexigarde")
    ecrire = os.path.join(binaire, "lexigarde_bench")
    texte = os.path.join(dossier, "texte-64Mio.txt")
    executer([ecrire, "--ecrire-texte", texte, str(64 * MIO)])
    # The same French text in UTF-8, and Chinese with emoji.
    utf8 = os.path.join(dossier, "texte-utf8.txt")
    executer([ecrire, "--ecrire-texte", utf8, str(64 * MIO), "utf8"])
    cjk = os.path.join(dossier, "texte-cjk.txt")
    executer([ecrire, "--ecrire-texte", cjk, str(64 * MIO), "cjk"])
    python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
    echapper = ("import html, sys; sys.stdout.buffer.write(html.escape("
                "sys.stdin.buffer.read().decode('{}')).encode({}))")
    # name: (command, input)
    pairs = {
        "lexigarde translate": ([outil, "translate", "--no-progress", texte], texte),
        "recode latin1..html": (["recode", "latin1..html"], texte),
        "Python html.escape": ([python, "-c", echapper.format("latin-1", "'latin-1'")], texte),
        "lexigarde translate --utf8": ([outil, "translate", "--utf8", "--no-progress", utf8], utf8),
        "Python html.escape, UTF-8": ([python, "-c", echapper.format("utf-8", "'ascii', 'xmlcharrefreplace'")],
                                      utf8),
        "lexigarde translate --utf8, CJK": ([outil, "translate", "--utf8", "--no-progress", cjk], cjk),
        "Python html.escape, UTF-8, CJK": ([python, "-c",
                                            echapper.format("utf-8", "'ascii', 'xmlcharrefreplace'")], cjk),
    }
    if avant:
        ancien = os.path.join(avant, "lexigarde")
        pairs["lexigarde translate --utf8 (before)"] = ([ancien, "translate", "--utf8", "--no-progress", utf8], utf8)
        pairs["lexigarde translate --utf8, CJK (before)"] = (
            [ancien, "translate", "--utf8", "--no-progress", cjk], cjk)
    durees = {nom: [] for nom in pairs}
    ordre = list(pairs)
    hasard = random.Random(7)
    for _ in range(repetitions):
        hasard.shuffle(ordre)
        for nom in ordre:
            durees[nom].append(mesurer(pairs[nom][0], pairs[nom][1])[0])
    debits = {nom: os.path.getsize(pairs[nom][1]) / 1e6 / statistics.median(d) for nom, d in durees.items()}
    os.remove(cjk)

    memoire = {}
    for taille, nom in ((MIO, "1 MiB"), (64 * MIO, "64 MiB"), (1024 * MIO, "1 GiB")):
        for sorte, options in (("latin1", []), ("utf8", ["--utf8"])):
            fichier = {"latin1": texte, "utf8": utf8}[sorte] if taille == 64 * MIO \
                else os.path.join(dossier, f"texte-{taille}.txt")
            if taille != 64 * MIO:
                executer([ecrire, "--ecrire-texte", fichier, str(taille), sorte])
            cle = nom if sorte == "latin1" else f"{nom}, --utf8"
            memoire[cle] = mesurer([outil, "translate", "--no-progress"] + options + [fichier], fichier)[1]
            if taille != 64 * MIO:
                os.remove(fichier)
    os.remove(texte)
    os.remove(utf8)
    return durees, debits, memoire


def rapport(contexte, medianes, instructions, durees, debits, memoire, repetitions):
    lignes = []
    dire = lignes.append
    dire(f"Machine: {platform.node()}, {contexte.get('num_cpus')} CPUs at {contexte.get('mhz_per_cpu', '?')} MHz, "
         f"{platform.system()} {platform.release()}; load average at start "
         f"{', '.join(f'{x:.2f}' for x in contexte.get('load_avg', []))}.")
    dire(f"Medians of {repetitions} repetitions in random interleaving.")
    dire("")
    ratios = {}
    # --outils measures the tool alone: no benchmark or callgrind tables.
    if medianes:
        dire("| benchmark | CPU | wall | floor | floor CPU | floor wall | ratio CPU | ratio wall |")
        dire("|---|---:|---:|---|---:|---:|---:|---:|")
        for nom, plancher, mesure in PAIRES:
            if nom not in medianes or plancher not in medianes:
                continue
            a, b = medianes[nom], medianes[plancher]
            u = a["time_unit"]
            rc, rr = a["cpu_time"] / b["cpu_time"], a["real_time"] / b["real_time"]
            ratios[nom, plancher] = rc if mesure == "cpu_time" else rr
            gras = ("**", "") if mesure == "cpu_time" else ("", "**")
            debit = ""
            if "bytes_per_second" in a:
                debit = f" ({a['bytes_per_second'] / 1e6:.0f} vs {b['bytes_per_second'] / 1e6:.0f} MB/s)"
            dire(f"| {nom}{debit} | {a['cpu_time']:.2f} {u} | {a['real_time']:.2f} {u} | {plancher.split('/')[1]} | "
                 f"{b['cpu_time']:.2f} {u} | {b['real_time']:.2f} {u} | {gras[0]}{rc:.2f}{gras[0]} | "
                 f"{gras[1]}{rr:.2f}{gras[1]} |")
        dire("")
        dire("Times per call (per 64 MiB buffer for Traduire64Mio and TraductionOutil). With two threads, wall time is the "
             "run's duration over the calls of both threads. The ratio in bold is the one a target is "
             "judged on.")
        dire("")
        dire(f"| loop (callgrind, {APPELS} calls) | instructions per call |")
        dire("|---|---:|")
        for boucle in BOUCLES:
            if boucle in instructions:
                dire(f"| {boucle} | {instructions[boucle]:.1f} |")
        dire("")
    dire("| tool, 64 MiB of French Latin-1 text (the same text in UTF-8: 70.3 MiB; Chinese and emoji: 64 MiB) "
         "| median time | throughput | all runs (s) |")
    dire("|---|---:|---:|---|")
    for nom, d in durees.items():
        dire(f"| {nom} | {statistics.median(d):.2f} s | {debits[nom]:.0f} MB/s | "
             f"{' '.join(f'{x:.2f}' for x in d)} |")
    dire("")
    dire("| lexigarde translate, input (French text) | peak resident memory |")
    dire("|---|---:|")
    for nom, kio in memoire.items():
        dire(f"| {nom} | {kio / 1024:.1f} MiB |")
    dire("")

    def cible(texte, valeur, borne, plusGrandMieux=False):
        if valeur != valeur:  # not measured in this run (--outils)
            return
        atteinte = valeur >= borne if plusGrandMieux else valeur <= borne
        ecart = "" if atteinte else f" (missed by {valeur / borne:.2f}x)" if not plusGrandMieux \
            else f" (missed: {valeur / borne:.2f} of it)"
        dire(f"- {texte}: {valeur:.2f} against {borne:g}: {'met' if atteinte else 'MISSED'}{ecart}")

    dire("Targets:")
    def ratio(nom, plancher):
        return ratios.get((nom, plancher), float("nan"))

    cible("Valider through the interface / inline lower bound", ratio("Valider/interface", "Valider/borne_inferieure"),
          1.10)
    cible("Valider through the interface / gperf", ratio("Valider/interface", "Valider/gperf"), 1.5)
    cible("Valider instructions per call", instructions.get("valider", float("nan")), 75)
    cible("Traduire through the interface / fixed-slot virtual call",
          ratio("Traduire/interface", "Traduire/emplacements"), 1.6)
    cible("Traduire instructions per call", instructions.get("traduire", float("nan")), 45)
    cible("object life / std::atomic, 1 thread", ratio("VieObjet/interface/real_time/threads:1", "VieObjet/atomique/real_time/threads:1"), 2.5)
    cible("object life / std::atomic, 2 threads", ratio("VieObjet/interface/real_time/threads:2", "VieObjet/atomique/real_time/threads:2"), 4.5)
    cible("tool throughput / recode", debits["lexigarde translate"] / debits["recode latin1..html"], 5, True)
    cible("tool throughput / html.escape", debits["lexigarde translate"] / debits["Python html.escape"], 3, True)
    cible("tool --utf8 / Latin-1, same text, whole process",
          statistics.median(durees["lexigarde translate --utf8"]) / statistics.median(durees["lexigarde translate"]),
          1.3)
    cible("tool --utf8 / html.escape with xmlcharrefreplace, whole process",
          statistics.median(durees["Python html.escape, UTF-8"]) / statistics.median(durees["lexigarde translate --utf8"]),
          10, True)
    cible("tool peak memory on 1 GiB (MiB)", memoire["1 GiB"] / 1024, 16)
    return "\n".join(lignes)


def main():
    arguments = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    arguments.add_argument("binaire")
    arguments.add_argument("--repetitions", type=int, default=9)
    arguments.add_argument("--sortie")
    arguments.add_argument("--outils", action="store_true", help="the tool and its peers only")
    arguments.add_argument("--avant", help="BIN_DIR of another build whose tool is measured beside (--utf8 only)")
    options = arguments.parse_args()
    with tempfile.TemporaryDirectory(prefix="lexigarde-bench-") as dossier:
        contexte, medianes, instructions = {"num_cpus": os.cpu_count(), "load_avg": os.getloadavg()}, {}, {}
        if not options.outils:
            print("bench: timings...", file=sys.stderr)
            contexte, medianes = chronometrer(options.binaire, options.repetitions, dossier)
            print("bench: callgrind...", file=sys.stderr)
            instructions = compter(options.binaire, dossier)
        print("bench: the tool and its peers...", file=sys.stderr)
        durees, debits, memoire = comparerOutils(options.binaire, dossier, max(3, options.repetitions // 2),
                                                 options.avant)
    texte = rapport(contexte, medianes, instructions, durees, debits, memoire, options.repetitions)
    print(texte)
    if options.sortie:
        with open(options.sortie, "w") as f:
            f.write(texte + "\n")


if __name__ == "__main__":
    main()
