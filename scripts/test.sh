#!/usr/bin/env bash
# Installs what is missing, builds both presets, and runs every test: the native ones (under
# AddressSanitizer and UBSan), short runs of the fuzzers, and the Windows ones under the project's
# private Wine. Exits non-zero
# when anything fails; the last line sums up both suites.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup.sh

# The benchmarks are built so that they keep compiling; they are run by hand.
for preset in native fuzz bench windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

scripts/wine.sh start
trap 'scripts/wine.sh stop' EXIT

export UBSAN_OPTIONS=print_stacktrace=1
log=$(mktemp)
status=0
for preset in native fuzz windows; do
  echo "== $preset tests"
  ctest --preset "$preset" -j2 2>&1 | tee -a "$log" || status=1
done

# ctest prints "NN% tests passed, F tests failed out of T" once per suite, and "***Skipped" for each test
# that skipped itself (counted among the passed by ctest, shown apart here).
read -r total failed < <(sed -n -E 's/.* tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p' "$log" |
  awk '{ failed += $1; total += $2 } END { print total + 0, failed + 0 }')
skipped=$(grep -c -E '\*\*\*Skipped' "$log" || true)
rm -f "$log"
echo "Tests: $((total - failed - skipped)) passed, $failed failed, $skipped skipped"
exit $status
