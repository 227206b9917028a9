#!/usr/bin/env bash
# Screenshots of the program's windows at 100%, 150% and 200% scaling, taken
# under Xvfb: docs/hidpi/<window>-<scale>.png. Needs xvfb, xdotool and
# imagemagick; run from the repository after a build.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/hidpi
mkdir -p "$out"
work=$(mktemp -d)
export XDG_STATE_HOME=$(mktemp -d)  # the runs' state, not in the user's own folder
cp demo/province.dat demo/associazioni.dat demo/archivio.txt demo/krt.hlp "$work"
prog=$PWD/build/archivio
display=:97
Xvfb $display -screen 0 2800x1800x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work" "$XDG_STATE_HOME"' EXIT
sleep 1
export DISPLAY=$display
shot() {  # window-title scale name
  local id
  id=$(timeout 10 xdotool search --sync --onlyvisible --name "$1" | tail -1)
  import -window "$id" "$out/$3-$2.png"
}
for scale in 1 1.5 2; do
  (cd "$work" && QT_SCALE_FACTOR=$scale "$prog" >/dev/null 2>&1 &)
  sleep 2
  xdotool mousemove 200 200   # without a window manager the keys go where the pointer is
  xdotool key ctrl+o; sleep 1; xdotool type archivio.txt; xdotool key Return; sleep 1
  shot "Profilo del volontario" "$scale" main
  xdotool key Down Return; sleep 1          # the first volunteer in the editor
  shot "Form4" "$scale" editor
  xdotool key ctrl+Tab; sleep 0.5           # the second page
  shot "Form4" "$scale" editor-disponibilita
  pkill -f "$prog" || true
  sleep 0.5
  (cd "$work" && QT_SCALE_FACTOR=$scale "$prog" >/dev/null 2>&1 &)
  sleep 2
  xdotool mousemove 200 200; xdotool key alt+s; sleep 1   # Selezione volontari
  shot "Selezione" "$scale" selezione
  pkill -f "$prog" || true
  sleep 0.5
done
echo "Screenshots in $out"
