#!/usr/bin/env bash
# From exec until main runs: the dynamic loading a program pays before its first line. Times
# `quillet-capture --version` (answered at the top of main, without a display) against
# QUILLET_BASELINE=<another quillet-capture> and the clipboard helper (QtCore only), interleaved,
# and prints the medians of exec → exit in ms.
#   usage: bench/exec_to_main.sh [rounds]   (default 200)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-200}
scripts/build.sh >/dev/null
programs=("build/src/quillet-capture --version")
[ -n "${QUILLET_BASELINE:-}" ] && programs+=("$QUILLET_BASELINE --version")
programs+=("build/src/quillet-clipboard-helper")  # QtCore only: refuses at once
python3 - "$rounds" "${programs[@]}" <<'PY'
import os, statistics, sys, time
rounds = int(sys.argv[1])
programs = [p.split() for p in sys.argv[2:]]
times = {tuple(p): [] for p in programs}
devnull = os.open(os.devnull, os.O_WRONLY)
for _ in range(rounds):
    for p in programs:
        start = time.perf_counter()
        pid = os.posix_spawn(p[0], p, os.environ,
                             file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1),
                                           (os.POSIX_SPAWN_DUP2, devnull, 2)])
        os.waitpid(pid, 0)
        times[tuple(p)].append((time.perf_counter() - start) * 1000)
for p in programs:
    print(f"{' '.join(p)}: exec to exit {statistics.median(times[tuple(p)]):.2f} ms (median of {rounds})")
PY
