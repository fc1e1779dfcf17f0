#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for the given number of
# seconds (default 60), starting from the seeds in fuzz/corpus/<target>/. New inputs go to
# build-fuzz/corpus/<target>/, never into the repository. A finding stops the script with the
# input saved under build-fuzz/findings/<target>/; after the fix, keep it in
# fuzz/regressions/<target>/, where ctest replays it in every build.
# Usage: scripts/fuzz.sh [seconds] [target]...   (targets: receive_path target_list)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build fuzz

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(receive_path target_list)

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEX_BUILD_FUZZ=ON -DQUORVEX_BUILD_TESTS=OFF -DQUORVEX_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t findings=build-fuzz/findings/$t
  mkdir -p "$work" "$findings"
  echo "=== fuzz_$t for ${seconds}s"
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build-fuzz/fuzz/fuzz_$t" "$work" "fuzz/corpus/$t" -max_total_time="$seconds" \
      -max_len=4096 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/" \
      -print_final_stats=1 2>&1 | tail -n 12
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz_$t found a failing input in $findings/" >&2; exit 1; }
done
