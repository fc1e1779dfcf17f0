#!/usr/bin/env bash
# Builds Quorvex and runs the whole test suite: a normal build, then AddressSanitizer+UBSan,
# then ThreadSanitizer. Usage: scripts/test.sh [plain|asan|tsan]...  (default: all three)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build test

variants=("$@")
[ ${#variants[@]} -gt 0 ] || variants=(plain asan tsan)
jobs=$(nproc)

for v in "${variants[@]}"; do
  case "$v" in
    plain) dir=build type=RelWithDebInfo ;;
    asan) dir=build-asan type=Asan ;;
    tsan) dir=build-tsan type=Tsan ;;
    *) echo "test.sh: unknown variant '$v' (plain, asan, tsan)" >&2; exit 2 ;;
  esac
  echo "=== $v build ($dir, $type)"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "=== $v tests"
  # Sanitizer reports fail the test that triggers them. tests/tsan.supp names only Qt's
  # libraries, which are not built with ThreadSanitizer.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp" \
  QT_QPA_PLATFORM=offscreen \
    ctest --test-dir "$dir" --output-on-failure -j "$((jobs * 2))" --timeout 300
done
