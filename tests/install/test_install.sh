#!/usr/bin/env bash
# Usage: test_install.sh BUILD_DIR CMAKE
# Installs the build into a scratch prefix, checks the layout and the desktop files there, then
# starts the installed program and waits for its window and its map view. The program has to
# take its library and map module from the prefix, not from the build tree it was built in.
set -euo pipefail
build=$1 cmake=$2
id=io.github.orvane.deruziz

scratch=$(mktemp -d /tmp/deruziz-install.XXXXXX)
pid=
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli file readelf xdotool; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/test installs it)"
done

prefix=$scratch/usr
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

for f in bin/deruziz lib/deruziz/libderuziz_gui.so lib/deruziz/libderuziz_mapview.so \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x$size/apps/deruziz.png
  [ -f "$icon" ] || fail "no ${size}x$size icon"
  file -b "$icon" | grep -q "PNG image data, $size x $size," || fail "$icon is not $size x $size"
done
# The build tree must not be on any run path: the copies live on their own.
if readelf -d "$prefix/bin/deruziz" "$prefix"/lib/deruziz/*.so | grep -E 'R(UN)?PATH' | grep -F "$build"; then
  fail "a run path points into the build tree"
fi

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"

export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_LOGGING_RULES="deruziz.startup.info=true"
log=$scratch/stderr.log
"$prefix/bin/deruziz" >"$scratch/stdout.log" 2>"$log" &
pid=$!
for _ in $(seq 1200); do
  grep -q 'map view created' "$log" && break
  kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "the installed program ended early"; }
  sleep 0.05
done
grep -q 'main window shown' "$log" || { cat "$log" >&2; fail "no window shown within a minute"; }
grep -q 'map view created' "$log" || { cat "$log" >&2; fail "no map view within a minute"; }
if grep -E 'no map browser|map view could not be created' "$log"; then
  fail "the installed program did not load its map module"
fi
maps=$(cat "/proc/$pid/maps")
for lib in libderuziz_gui.so libderuziz_mapview.so; do
  grep -qF "$prefix/lib/deruziz/$lib" <<<"$maps" || { grep -F "$lib" <<<"$maps" >&2; fail "$lib was not loaded from the prefix"; }
done
xdotool search --onlyvisible --pid "$pid" >/dev/null || fail "no visible window"
echo "installed program started from $prefix with its map module"
