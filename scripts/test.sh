#!/usr/bin/env bash
# Installs what is missing, builds Reelcast and runs every test:
#   1. the main build (RelWithDebInfo), the README's first command (scripts/convert.sh)
#      and all of ctest (unit, integration, e2e, ftp);
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build running the unit tests;
#   3. the libFuzzer targets (clang, every library under the sanitizers and the
#      fuzzer's coverage hooks), each for a bounded time.
# Exits non-zero when any stage fails. REELCAST_SKIP_SANITIZE=1 or
# REELCAST_SKIP_FUZZ=1 leave a stage out for a quicker local run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${REELCAST_JOBS:-$(nproc)}
failed=()

bash scripts/install-deps.sh || { echo "test.sh: installing dependencies failed"; exit 1; }

# Runs one stage and says how long it took, so a run shows where its time goes.
stage() {
  local name=$1 start=$SECONDS
  shift
  echo "==== $name"
  if ! "$@"; then
    failed+=("$name")
    echo "==== $name FAILED after $((SECONDS - start)) s"
    return 1
  fi
  echo "==== $name took $((SECONDS - start)) s"
}

if [ -f tests/e2e/package.json ]; then
  stage "e2e setup" bash tests/e2e/setup.sh
fi

# The README's first command, exactly as a newcomer types it from the repository
# root: it authors the sample DVD into build/sample-dvd/ (removed first, as on a
# fresh clone) and converts it, reusing the build made just before.
readme_first_command() {
  rm -rf build/sample-dvd
  scripts/convert.sh && test -s build/sample-dvd/sample.flv
}

if stage "configure" cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
   stage "build" cmake --build build -j "$jobs"; then
  stage "README's first command" readme_first_command
  stage "tests" ctest --test-dir build --output-on-failure -j "$jobs" --timeout 1500
fi

# The sanitizer tree builds the libraries and only the unit tests (without
# the desktop front end), which are all it runs.
if [ "${REELCAST_SKIP_SANITIZE:-0}" != 1 ]; then
  stage "configure (sanitizers)" cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DREELCAST_SANITIZE=ON -DREELCAST_BENCH=OFF -DREELCAST_UI=OFF &&
    stage "build (sanitizers)" cmake --build build-asan -j "$jobs" &&
    stage "unit tests (sanitizers)" ctest --test-dir build-asan -L unit --output-on-failure -j "$jobs"
fi

# The fuzz targets run side by side, each for a bounded time.
if [ "${REELCAST_SKIP_FUZZ:-0}" != 1 ] && ls fuzz/*_fuzz.cpp >/dev/null 2>&1; then
  stage "configure (fuzz)" env CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DREELCAST_FUZZ=ON -DREELCAST_BENCH=OFF -DREELCAST_UI=OFF &&
    stage "build (fuzz)" cmake --build build-fuzz -j "$jobs" &&
    stage "fuzz" ctest --test-dir build-fuzz -L fuzz --output-on-failure -j "$jobs"
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "test.sh: failed stages: ${failed[*]}"
  exit 1
fi
echo "test.sh: all stages passed in $SECONDS s"
