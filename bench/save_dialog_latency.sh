#!/usr/bin/env bash
# From the click on the save button until the save dialog's first pixels are on the screen,
# at 1920x1080 on Xvfb with openbox: the median of several runs of the end-to-end measurement.
#   usage: bench/save_dialog_latency.sh [rounds]   (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-7}
scripts/build.sh >/dev/null
source bench/bench_display.sh  # for median
for _ in $(seq "$rounds"); do
    build/tests/quillet_e2e_tests --gtest_also_run_disabled_tests \
        --gtest_filter='SaveTimingE2E.DISABLED_DialogPaintLatency' 2>/dev/null |
        sed -n 's/^save dialog painted \([0-9]*\) ms.*/\1/p'
done | median | sed 's/^/save dialog painted, median ms: /'
