#!/usr/bin/env bash
# Checks the built Debian package the way a user meets it, on this machine (as root, or
# through sudo): lintian finds no error; apt-get installs it; the installed files pass
# the freedesktop and AppStream validators; the installed program, started offscreen on
# a clip, takes a second start's file and writes its settings into
# $XDG_CONFIG_HOME/Zorvo.FLV/ at exit; apt-get removes it and nothing of it is left.
#   bash packaging/check-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
debs=("$build"/zorvo-flv_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "no package in $build (bash scripts/zorvo.sh package)" >&2; exit 1; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

fail() { echo "check-package: $*" >&2; exit 1; }

echo "== lintian (errors)"
rc=0
report=$(lintian --fail-on error "$deb" 2>&1) || rc=$?
grep '^E:' <<<"$report" || true
[ $rc = 0 ] || fail "lintian reports errors"

echo "== apt-get install $deb"
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
mapfile -t owned < <(dpkg-query -L zorvo-flv)
desktop-file-validate /usr/share/applications/org.zorvo.ZorvoFLV.desktop || fail "desktop entry"
appstreamcli validate --no-net --no-color /usr/share/metainfo/org.zorvo.ZorvoFLV.metainfo.xml >/dev/null ||
  fail "metainfo"
command -v zorvo-flv >/dev/null || fail "zorvo-flv is not on PATH"

echo "== the installed program"
work=$(mktemp -d)
trap 'kill "${first:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
chmod 700 "$work"
mkdir -p "$work/run" "$work/config" "$work/tmp"
chmod 700 "$work/run" "$work/tmp"
# A software "Master" from the test build, so that no "No mixer found!" box waits.
printf 'ctl_type.zorvotest { lib "%s" }\nctl.default { type zorvotest }\n' \
  "$build/tests/lib/libasound_module_ctl_zorvotest.so" >"$work/asound.conf"
# A runtime and temporary folder of its own: the single-instance channel lives there, so
# a copy that someone else runs on this machine is not taken for the first one. (Offscreen,
# the help that a first start opens goes nowhere.)
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp QT_QPA_PLATFORM=offscreen \
  ALSA_CONFIG_PATH=$work/asound.conf
zorvo-flv "$build/media/sample.flv" >"$work/first.log" 2>&1 &
first=$!
waited=0
# Start-up makes the settings folder after it has taken the single-instance channel.
until [ -d "$work/config/Zorvo.FLV" ]; do
  kill -0 "$first" 2>/dev/null || { cat "$work/first.log"; fail "the program ended at start"; }
  [ $waited -lt 600 ] || fail "the program did not start within a minute"
  sleep 0.1
  waited=$((waited + 1))
done
# A second start hands its file to the running copy and ends by itself.
timeout 60 zorvo-flv "$build/media/flv1_mp3.flv" >"$work/second.log" 2>&1 ||
  { cat "$work/second.log"; fail "the second start did not end"; }
kill -0 "$first" 2>/dev/null || fail "the running copy ended after the hand-over"
kill -TERM "$first"
timeout 60 tail --pid="$first" -f /dev/null || fail "the program did not end on SIGTERM"
wait "$first" || true
[ -s "$work/config/Zorvo.FLV/Zorvo.FLV.ini" ] || { cat "$work/first.log"; fail "no settings in \$XDG_CONFIG_HOME/Zorvo.FLV/"; }
grep -q '^MainRect=' "$work/config/Zorvo.FLV/Zorvo.FLV.ini" || fail "the settings file lacks MainRect="
ls /usr/lib/zorvo-flv/*.ini >/dev/null 2>&1 && fail "settings were written into the program folder"
# The command-line tool finds the tool store through its link and leaves its folder clean.
command -v zorvo >/dev/null || fail "zorvo is not on PATH"
mkdir "$work/cli"
zorvo fix "$build/media/sample.flv" -o "$work/cli/fixed.flv" >"$work/cli.log" 2>&1 ||
  { cat "$work/cli.log"; fail "zorvo fix of the sample failed"; }
[ "$(ls -A "$work/cli")" = fixed.flv ] || fail "zorvo left files beside its result"
zorvo keyframes "$work/cli/fixed.flv" | grep -q . || fail "zorvo keyframes listed nothing"
rm -rf "$work"

echo "== apt-get remove"
as_root env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq zorvo-flv >/dev/null
left=0
for path in "${owned[@]}"; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # Shared folders (/usr/share/applications …) stay for the packages that own them.
  if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
    continue
  fi
  echo "left behind: $path" >&2
  left=1
done
[ $left = 0 ] || fail "the package left files behind"
echo "package checked: $(basename "$deb"), $(du -k "$deb" | cut -f1) KB"
