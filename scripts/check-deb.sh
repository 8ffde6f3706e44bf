#!/usr/bin/env bash
# Builds the .deb from the release build, installs it with apt-get the way a user would, checks
# that the installed program runs, and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/luxpanel_*.deb | head -n 1)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Depends
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
trap 'apt-get remove -y -qq luxpanel >/dev/null || true' EXIT
version=$(/usr/bin/luxpanel --version)
echo "installed: $version"
help=$(/usr/bin/luxpanel --help)
echo "$help" | sed -n 1,3p
case "$help" in *--port*) ;; *) echo "--help does not list --port"; exit 1 ;; esac
test -x /usr/bin/luxpanel-sim
test -f /usr/share/applications/luxpanel.desktop
test -f /usr/share/metainfo/luxpanel.metainfo.xml
test -f /usr/share/icons/hicolor/scalable/apps/luxpanel.svg
ls /usr/share/man/man1/luxpanel.1* >/dev/null
case "$version" in
  *8.0.0*) ;;
  *) echo "unexpected version text: $version"; exit 1 ;;
esac
echo "deb install check passed"
