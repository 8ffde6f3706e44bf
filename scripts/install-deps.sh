#!/usr/bin/env bash
# Installs the Debian 12 packages luxpanel needs. Idempotent: a machine that already has them all
# is left alone (no apt-get update, no network).
#
#   scripts/install-deps.sh        what building and running the program needs
#   scripts/install-deps.sh test   that, plus what the test command needs (GoogleTest, Benchmark,
#                                  the fuzzers' clang, Xvfb for screenshots, lintian, appstream,
#                                  a Mosquitto broker and its clients for the publisher's tests)
set -euo pipefail
run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqcustomplot-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
  libmosquitto-dev

  fonts-dejavu-core fonts-liberation
)
test_packages=(
  ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils poppler-utils imagemagick python3
  lintian appstream man-db
  mosquitto mosquitto-clients openssl
)
case "${1:-run}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
