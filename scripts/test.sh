#!/usr/bin/env bash
# Builds luxpanel and runs every test: the suite in a plain build, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets for a bounded time, a soak of
# the real program against the simulated meter under injected faults, a release build without the
# test toolchain, and the .deb packages: lintian, appstreamcli, install, run, remove.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

jobs=$(nproc)
fuzz_seconds=${LUX_FUZZ_SECONDS:-30}

echo "== build (RelWithDebInfo)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build build
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== build under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUX_SANITIZE=ON -DLUXPANEL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan
echo "== tests under the sanitizers"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzz targets (${fuzz_seconds} s each)"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUX_FUZZ=ON >/dev/null
cmake --build build-fuzz
shopt -s nullglob
fuzzers=(build-fuzz/fuzz/fuzz_*)
for f in "${fuzzers[@]}"; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="build-fuzz/corpus-$name"
  mkdir -p "$corpus"
  echo "-- $name"
  "$f" "$corpus" -max_total_time="$fuzz_seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 2>&1 | tail -n 3
done

echo "== soak under faults (${LUX_SOAK_SECONDS:-120} s, seed ${LUX_SOAK_SEED:-4})"
SOAK_BUILD="$PWD/build" scripts/soak.sh "${LUX_SOAK_SECONDS:-120}" "${LUX_SOAK_SEED:-4}" "$PWD/build/soak"

echo "== release build without the test toolchain (BUILD_TESTING=OFF)"
# A packager's build: it must configure and build with GoogleTest and Google Benchmark absent,
# which the two DISABLE_FIND switches stand in for on a machine that has them.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON --no-warn-unused-cli >/dev/null
cmake --build build-release

echo "== .deb packages: lintian, appstreamcli, install, run, remove"
scripts/check-deb.sh build-release

echo "== all tests passed"
