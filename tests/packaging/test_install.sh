#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the layout a desktop relies on: the
# program folder with its marker and help pages, a launcher that reaches the program, the
# desktop entry, the metainfo and every icon size; the validators must accept the files.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=$root/opt/zorvo
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
need() { [ -e "$1" ] || { echo "missing: ${1#"$prefix"/}"; fail=1; }; }
for f in Zorvo.FLV ZorvoResFLV Zorvo.FLV.installed Zorvo.FLV.html Zuvud.ODI.html help/style.css; do
  need "$prefix/lib/zorvo-flv/$f"
done
[ "$(readlink -f "$prefix/bin/zorvo-flv")" = "$prefix/lib/zorvo-flv/Zorvo.FLV" ] ||
  { echo "bin/zorvo-flv does not lead to the program"; fail=1; }
# The command-line tool, once the build has one, has its launcher too.
if [ -e "$prefix/lib/zorvo-flv/zorvo" ]; then
  [ "$(readlink -f "$prefix/bin/zorvo")" = "$prefix/lib/zorvo-flv/zorvo" ] ||
    { echo "bin/zorvo does not lead to the command-line tool"; fail=1; }
fi
# Every picture the help pages show is installed beside them.
for page in "$prefix"/lib/zorvo-flv/*.html; do
  for img in $(grep -o 'src="[^"]*"' "$page" | sed 's/src="//; s/"$//'); do
    need "$prefix/lib/zorvo-flv/$img"
  done
done
for size in 16 22 24 32 48 64 128 256; do
  need "$prefix/share/icons/hicolor/${size}x${size}/apps/org.zorvo.ZorvoFLV.png"
done
need "$prefix/share/icons/hicolor/scalable/apps/org.zorvo.ZorvoFLV.svg"
need "$prefix/share/doc/zorvo-flv/copyright"

desktop-file-validate "$prefix/share/applications/org.zorvo.ZorvoFLV.desktop" || fail=1
appstreamcli validate --no-net --no-color "$prefix/share/metainfo/org.zorvo.ZorvoFLV.metainfo.xml" >/dev/null ||
  { appstreamcli validate --no-net --no-color "$prefix/share/metainfo/org.zorvo.ZorvoFLV.metainfo.xml"; fail=1; }
exit "$fail"
