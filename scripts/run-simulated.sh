#!/usr/bin/env bash
# Builds luxpanel and runs it on the simulated meter (a pseudo-terminal inside the program). Needs
# only what building and running the program needs: the test suites are left out of this build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build --target luxpanel luxpanel-sim
exec build/luxpanel --simulate "$@"
