#!/usr/bin/env bash
# Takes the README's pictures from the real window: the game under a private Xvfb display,
# driven with xdotool, photographed with ImageMagick's import.
# Run inside the build root: scripts/with-deps tools/screenshots.sh [TVK_BINARY] [OUT_DIR]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
tvk="$(realpath "${1:-$repo/build-release/bin/tvk}")"
out="$(realpath "${2:-$repo/docs}")"
run="$(mktemp -d)"
cp -r "$repo/data/." "$run/"

# The server takes a free display and writes its number.
Xvfb -displayfd 3 -screen 0 640x400x24 -nolisten tcp -noreset 3>"$run/display" >/dev/null 2>&1 &
xvfb=$!
game=
trap 'kill $game "$xvfb" 2>/dev/null; rm -rf "$run"' EXIT
for _ in $(seq 50); do [ -s "$run/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$run/display")" SDL_AUDIO_DRIVER=dummy

cd "$run"
"$tvk" >/dev/null 2>&1 &
game=$!
xdotool search --sync --name 'Tower Vault Keeper' >/dev/null
key() { xdotool key --delay 150 "$@"; sleep 0.4; }
sleep 1.5  # the menu music fades in; the picture is already there
import -window root -depth 8 "PNG24:$out/mainmenu.png"
key Return
sleep 0.5
# A few steps so that the view shows more than the first room's middle.
for k in Left Left Up Up Right Right Right Down; do key "$k"; done
import -window root -depth 8 "PNG24:$out/floor.png"
key Escape Up Return
wait "$game"
echo "pictures written to $out"
