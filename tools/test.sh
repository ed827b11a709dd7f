#!/usr/bin/env bash
# Sets up, builds and runs every test.
#   tools/test.sh          normal build (build/); the label x11 starts its own X server with a
#                          window manager and drives the programs there (skipped without Xvfb)
#   tools/test.sh --asan   AddressSanitizer + UndefinedBehaviorSanitizer build with clang
#                          (build-asan/); also fails on a global defined in two loaded images
#   tools/test.sh --tsan   ThreadSanitizer build (build-tsan/), the engine, sound, device, download and module tests
#   tools/test.sh --all    all three, one after the other, warnings as errors (what CI runs)
#   ... --repeat N         runs each test up to N times and stops at its first failure: to
#                          show that a test touching threads, windows or time never fails at random
# The normal and ThreadSanitizer builds use GCC, the AddressSanitizer build clang, so both
# compilers' warnings and sanitizer checks gate a change. ZEM_JOBS limits the parallel jobs
# (default: one per core). Every build is then checked for code loaded twice by one process
# (tools/check-one-copy.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=normal
repeat=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --asan|--tsan|--all) mode=$1 ;;
    --repeat)
      [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || { echo "tools/test.sh: --repeat needs a count" >&2; exit 2; }
      repeat=(--repeat "until-fail:$2"); shift ;;
    *) echo "usage: tools/test.sh [--asan|--tsan|--all] [--repeat N]" >&2; exit 2 ;;
  esac
  shift
done
bash tools/setup.sh

jobs=${ZEM_JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
export ZEM_UI=headless
export ZEM_AUDIO=null
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_odr_violation=2
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tools/tsan.supp"

# build_and_test DIR CMAKE_ARGS... [-- CTEST_ARGS...]
build_and_test() {
  local dir=$1; shift
  local cmake_args=() ctest_args=()
  while [[ $# -gt 0 && $1 != -- ]]; do cmake_args+=("$1"); shift; done
  [[ $# -gt 0 ]] && shift
  ctest_args=("$@")
  echo "== $dir: configure and build"
  cmake -S . -B "$dir" -G Ninja "${cmake_args[@]}" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $dir: test"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600 "${repeat[@]}" "${ctest_args[@]}"
  echo "== $dir: one copy of each library"
  bash tools/check-one-copy.sh "$dir"
}

# clang's UndefinedBehaviorSanitizer also checks float-to-int conversions, which GCC's leaves out.
asan_args=(-DCMAKE_BUILD_TYPE=Debug -DZEM_SANITIZE=address,undefined -DZEM_BUILD_BENCH=OFF
           -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)

werror=OFF
[[ ${CI:-} == true || $mode == --all ]] && werror=ON
# The threaded subsystems and the controls over them, run a third time under ThreadSanitizer:
# a data race between our threads fails the run (tools/tsan.supp drops those seen inside Qt).
tsan_labels='engine|sound|device|download|module|player|prompt|playlist|qmxplay'

case $mode in
  normal)
    build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEM_WERROR=$werror ;;
  --asan)
    build_and_test build-asan "${asan_args[@]}" -DZEM_WERROR=$werror ;;
  --tsan)
    build_and_test build-tsan -DCMAKE_BUILD_TYPE=Debug -DZEM_WERROR=$werror \
      -DZEM_SANITIZE=thread -DZEM_BUILD_BENCH=OFF -- -L "$tsan_labels" ;;
  --all)
    build_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEM_WERROR=ON
    build_and_test build-asan "${asan_args[@]}" -DZEM_WERROR=ON
    build_and_test build-tsan -DCMAKE_BUILD_TYPE=Debug -DZEM_WERROR=ON \
      -DZEM_SANITIZE=thread -DZEM_BUILD_BENCH=OFF -- -L "$tsan_labels" ;;
esac
