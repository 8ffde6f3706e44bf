#!/usr/bin/env bash
# Builds the .deb packages (luxpanel, luxpanel-sim) from a configured build, checks them the way
# a Debian packager would (lintian --pedantic, appstreamcli, what each package holds), installs
# them with apt-get the way a user would, checks that the installed programs run, and removes
# them again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no configured build in $build"; exit 1; }
rm -f "$build"/luxpanel_*.deb "$build"/luxpanel-sim_*.deb "$build"/luxpanel-cli_*.deb
cmake --build "$build" >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
arch=$(dpkg --print-architecture)
main_deb="$build/luxpanel_${version}_${arch}.deb"
sim_deb="$build/luxpanel-sim_${version}_${arch}.deb"
cli_deb="$build/luxpanel-cli_${version}_${arch}.deb"
debs=("$main_deb" "$sim_deb" "$cli_deb")
for deb in "${debs[@]}"; do
  [ -f "$deb" ] || { echo "missing package: $deb"; exit 1; }
  echo "package: $deb"
  dpkg-deb --field "$deb" Package Version Depends
done

echo "-- lintian --pedantic"
# Any error, warning or pedantic remark fails the check; informational tags are shown only.
lintian --pedantic --display-info --fail-on error,warning,pedantic "${debs[@]}"

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
  if [ -n "${installed:-}" ]; then
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq luxpanel luxpanel-sim luxpanel-cli >/dev/null || true
  fi
}
trap cleanup EXIT
for deb in "${debs[@]}"; do
  dpkg-deb -x "$deb" "$work/root"
done
root="$work/root"

echo "-- appstreamcli validate"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
# The screenshots and links are public URLs; the check runs without network, so the validator
# does not fetch them, and each screenshot is checked against the gallery here instead.
appstreamcli validate --no-net --pedantic --explain "${metainfo[@]}"
appstreamcli validate-tree --no-net --pedantic --explain "$root"
shots=$(grep -o '<image>[^<]*</image>' "${metainfo[@]}" | sed 's|<image>.*/\([^/]*\)</image>|\1|')
[ -n "$shots" ] || { echo "the AppStream data shows no screenshot"; exit 1; }
for s in $shots; do
  [ -f "docs/screenshots/$s" ] || { echo "screenshot $s is not in docs/screenshots"; exit 1; }
done

echo "-- contents"
# Every program has its manual in the same package, and nothing made for the tests ships.
for deb in "${debs[@]}"; do
  files=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
  programs=$(echo "$files" | sed -n 's|^/usr/bin/\([^/]\+\)$|\1|p')
  [ -n "$programs" ] || { echo "$deb holds no program"; exit 1; }
  for p in $programs; do
    echo "$files" | grep -qx "/usr/share/man/man1/$p.1.gz" || { echo "$p has no manual in $deb"; exit 1; }
  done
  # The manuals of one package's programs point to each other in their SEE ALSO.
  for p in $programs; do
    see_also=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - "./usr/share/man/man1/$p.1.gz" | zcat |
      sed -n '/^\.SH SEE ALSO/,/^\.SH/p' | sed 's/\\-/-/g')
    for q in $programs; do
      [ "$q" = "$p" ] && continue
      echo "$see_also" | grep -q "^\.BR $q (1)" ||
        { echo "the manual of $p does not name $q(1) in its SEE ALSO"; exit 1; }
    done
  done
  if echo "$files" | grep -Ei 'probe|gallery|test|bench|fuzz'; then
    echo "$deb holds files made for the tests"
    exit 1
  fi
done
# The shipped programs carry nothing of the test handles: no environment hook, no screenshot
# option (the probe has them; the program reads no environment variable).
for program in "$root"/usr/bin/*; do
  if strings "$program" | grep -E 'LUXPANEL_|--screenshot'; then
    echo "$(basename "$program") holds test handles"
    exit 1
  fi
done
# Every SEE ALSO of every manual names a manual that one of the packages ships.
for page in "$root"/usr/share/man/man*/*.gz; do
  refs=$(zcat "$page" | sed -n '/^\.SH SEE ALSO/,/^\.SH/p' |
    sed -n 's/^\.BR \([^ ]*\) (\([0-9]\)).*/\1 \2/p; s/.*\\fB\([^\\]*\)\\fR(\([0-9]\)).*/\1 \2/p')
  [ -n "$refs" ] || { echo "$(basename "$page") has no SEE ALSO"; exit 1; }
  while read -r name section; do
    name=${name//\\-/-}
    [ -f "$root/usr/share/man/man$section/$name.$section.gz" ] ||
      { echo "$(basename "$page") refers to $name($section), which no package ships"; exit 1; }
  done <<<"$refs"
done

echo "-- luxpanel-cli without widgets"
# The headless package pulls in no widget or GUI library, and ships the service, the example
# configuration (a conffile) and the udev rule.
if dpkg-deb --field "$cli_deb" Depends | grep -Ei 'qt6gui|qt6widgets|qcustomplot'; then
  echo "luxpanel-cli depends on a GUI library"
  exit 1
fi
dpkg-deb --field "$cli_deb" Depends | grep -q libmosquitto || { echo "luxpanel-cli lacks libmosquitto"; exit 1; }
dpkg-deb --ctrl-tarfile "$cli_deb" | tar -xO ./conffiles | grep -qx /etc/luxpanel/example.conf ||
  { echo "the example configuration is not a conffile"; exit 1; }
test -f "$root/lib/systemd/system/luxpanel-publish@.service"
test -f "$root/usr/share/doc/luxpanel-cli/examples/99-luxpanel-meter.rules"
if command -v systemd-analyze >/dev/null; then
  systemd-analyze verify --man=no "$root/lib/systemd/system/luxpanel-publish@.service" 2>&1 |
    grep -v 'luxpanel-cli' || true
fi

echo "-- install"
installed=1
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$main_deb" "./$sim_deb" "./$cli_deb" >/dev/null
shown=$(/usr/bin/luxpanel --version)
echo "installed: $shown"
case "$shown" in
  *"$version"*) ;;
  *) echo "unexpected version text: $shown"; exit 1 ;;
esac
help=$(/usr/bin/luxpanel --help)
echo "$help" | sed -n 1,3p
case "$help" in *--port*) ;; *) echo "--help does not list --port"; exit 1 ;; esac
sim_help=$(/usr/bin/luxpanel-sim --help)
case "$sim_help" in *--link*) ;; *) echo "luxpanel-sim --help does not list --link"; exit 1 ;; esac
test -f /usr/share/applications/luxpanel.desktop
test -f /usr/share/metainfo/org.luxpanel.luxpanel.metainfo.xml
test -f /usr/share/icons/hicolor/scalable/apps/luxpanel.svg
man -w luxpanel >/dev/null
man -w luxpanel-sim >/dev/null
man -w luxpanel-cli >/dev/null
cli_help=$(/usr/bin/luxpanel-cli publish --help)
case "$cli_help" in *--meter*) ;; *) echo "luxpanel-cli publish --help does not list --meter"; exit 1 ;; esac
echo "deb check passed"
