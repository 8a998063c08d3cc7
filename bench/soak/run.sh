#!/usr/bin/env bash
# The long soak: 500 searches in a row in the real main window, modes taking turns, every
# tab loading its page from a loopback server. Prints the memory of the program and its
# engine processes at the 50th search (the reference) and at the 500th, side by side:
# Pss summed over the process and all its descendants, and the part of it that is their
# own (anonymous and shared memory, without mapped files), measured with the tabs closed.
#   bench/soak/run.sh [--no-store] [SEARCHES]   (500 by default; five minutes or more)
# --no-store serves pages that the engine may not keep in its in-memory HTTP cache, which
# otherwise grows with every new address up to a limit of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/setup.sh

if [ "${1:-}" = "--no-store" ]; then
    export VERITOME_SOAK_NO_STORE=1
    shift
fi
searches=${1:-500}
veritome_install_packages "${veritome_packages[@]}"
veritome_build build -DVERITOME_BUILD_TESTS=ON >/dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# The whole output stays here for a closer look.
log=build/soak.log
status=0
# Qt Test stops a test function after five minutes unless told otherwise.
HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES="qt.webenginecontext.info=false" VERITOME_SOAK_SEARCHES="$searches" VERITOME_SOAK_MEMORY=1 \
    QTEST_FUNCTION_TIMEOUT=3600000 build/tests/gui/tst_soak >"$log" 2>&1 || status=$?

grep -E "QINFO.*(search [0-9]+:|processes;)" "$log" | sed 's/^.*searchesInARow() //'
grep -E "^(FAIL|Totals)" "$log" || true

# The figure that must stay flat: the tree's own memory with the tabs closed.
reference=$(sed -n 's/.*search 50: own memory \([0-9.]*\) MB.*/\1/p' "$log")
final=$(sed -n "s/.*search $searches: own memory \\([0-9.]*\\) MB.*/\\1/p" "$log")
if [ -n "$reference" ] && [ -n "$final" ]; then
    awk -v a="$reference" -v b="$final" -v n="$searches" 'BEGIN {
        printf "own memory at search 50: %.1f MB   at search %d: %.1f MB   change %+.1f %% (limit +10 %%)\n",
               a, n, b, (b - a) * 100 / a }'
fi
exit $status
