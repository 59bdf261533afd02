#!/usr/bin/env bash
# One entry for a fresh Debian 12 machine:
#   bash scripts/zorvo.sh run    installs what is missing, builds, plays the sample clip
#   bash scripts/zorvo.sh test   installs what is missing, builds, runs the whole test suite
#   bash scripts/zorvo.sh package   builds the Debian package build/zorvo-flv_<version>_<arch>.deb
#   bash scripts/zorvo.sh shots     takes the user guide's pictures (docs/help/) under Xvfb
# BUILD_DIR (default: build) and JOBS (default: 2) may be set.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build=${BUILD_DIR:-$src/build}
jobs=${JOBS:-2}

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6opengl6-dev libgl-dev
  libmpv-dev libasound2-dev libavformat-dev
  ffmpeg flvmeta yamdi
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth x11-apps x11-utils imagemagick fonts-noto-cjk adwaita-icon-theme openbox
  qt6-translations-l10n
  desktop-file-utils appstream lintian librsvg2-bin
)

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

setup() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build() {
  # ccache, where the machine has it, keeps rebuilds of other work trees short.
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  cmake --build "$build" -j "$jobs"
}

# Starts Xvfb on a free display and sets DISPLAY and xvfb_pid. Started here rather than
# through xvfb-run, whose clean-up can fail after the tests and replace their result with
# its own exit code.
start_xvfb() {
  local display_file display
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  display=$(tr -d '[:space:]' <"$display_file")
  rm -f "$display_file"
  [ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$display"
}

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}

case "${1:-}" in
  run)
    setup
    build
    exec "$build/bin/Zorvo.FLV" "$build/media/sample.flv"
    ;;
  test)
    setup
    build
    cd "$build"
    # The end-to-end tests need a display; the window tests run offscreen by themselves.
    start_xvfb
    rc=0
    ctest --output-on-failure -j "$jobs" --timeout 600 || rc=$?
    stop_xvfb
    exit "$rc"
    ;;
  package)
    setup
    build
    (cd "$build" && cpack -G DEB --config CPackConfig.cmake >/dev/null)
    ls -l "$build"/zorvo-flv_*.deb
    ;;
  shots)
    # The real program under Xvfb with a window manager and the tests' software mixer
    # (a machine without sound card would otherwise stop at "No mixer found!").
    setup
    build
    cmake --build "$build" --target zorvo-help-shots asound_module_ctl_zorvotest -j "$jobs"
    work=$(mktemp -d)
    chmod 700 "$work"
    printf 'ctl_type.zorvotest { lib "%s" }\nctl.default { type zorvotest }\n' \
      "$build/tests/lib/libasound_module_ctl_zorvotest.so" >"$work/asound.conf"
    start_xvfb
    openbox >/dev/null 2>&1 &
    wm_pid=$!
    rc=0
    XDG_RUNTIME_DIR="$work" ALSA_CONFIG_PATH="$work/asound.conf" QT_XCB_GL_INTEGRATION=xcb_egl \
      "$build/bin/zorvo-help-shots" "$build/media" "$src/docs/help" || rc=$?
    kill "$wm_pid" 2>/dev/null || true
    stop_xvfb
    rm -rf "$work"
    exit "$rc"
    ;;
  setup) setup ;;
  build) setup; build ;;
  *) echo "usage: $0 run|test|setup|build|package|shots" >&2; exit 2 ;;
esac
