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
  dbus libglib2.0-bin locales
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  gpsbabel libimage-exiftool-perl
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

# Generates the locale $1 (e.g. de_DE.UTF-8) unless it is there already; the tests run the
# number formatting under a decimal-comma locale.
deruziz_provide_locale() {
  local name=$1 charset=${1#*.} short known
  # "locale -a" spells de_DE.UTF-8 as de_DE.utf8.
  short="${name%%.*}.$(printf '%s' "$charset" | tr '[:upper:]' '[:lower:]' | tr -d '-')"
  known=$(locale -a 2>/dev/null || true)
  if grep -qxF "$short" <<<"$known"; then
    return 0
  fi
  echo "Generating the locale $name"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if grep -qE "^#? *${name//./\\.} $charset\$" /etc/locale.gen; then
    $sudo sed -i -E "s/^# *(${name//./\\.} $charset)\$/\\1/" /etc/locale.gen
  else
    echo "$name $charset" | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen
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
