#!/usr/bin/env bash
# Builds luxpanel and runs it on the simulated meter (a pseudo-terminal inside the program).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target luxpanel luxpanel-sim
exec build/luxpanel --simulate "$@"
