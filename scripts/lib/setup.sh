# Shared set-up of scripts/run and scripts/test: installs what is missing with apt-get.
# shellcheck shell=bash

DERUZIZ_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# What the program needs to build and run.
DERUZIZ_RUN_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev libqt6webenginecore6-bin
  libgl-dev libxkbcommon-dev libx11-dev
  libvlc-dev libvlc-bin vlc-plugin-base vlc-plugin-video-output
  libjs-leaflet fonts-noto-cjk fonts-dejavu-core
  ffmpeg
)

# What only the tests need on top.
DERUZIZ_TEST_PACKAGES=(
  xvfb xauth xdotool x11-utils x11-apps
  desktop-file-utils appstream lintian dpkg-dev file
  dbus libglib2.0-bin
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
)

deruziz_missing_packages() {
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      printf '%s\n' "$pkg"
    fi
  done
}

deruziz_install() {
  local missing
  mapfile -t missing < <(deruziz_missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

deruziz_configure_build() {
  local dir=$1; shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$DERUZIZ_ROOT" -B "$dir" -G Ninja "$@"
  else
    cmake -S "$DERUZIZ_ROOT" -B "$dir" "$@" >/dev/null
  fi
  cmake --build "$dir" -j"$(nproc)"
}
