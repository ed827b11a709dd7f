#!/usr/bin/env bash
# The main job: builds the system and shows what it does so far.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
# The toolkit wants a private runtime folder; a session without one (a fresh login over ssh,
# a container) gets one of its own for this run.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
echo "Built in build/bin:"
ls -1 build/bin | sed 's/^/  /'
echo
echo "Base library: XML parse and write speed next to raw expat"
build/bin/xml_bench --benchmark_min_time=0.2
echo
echo "Playback: a short generated call (two recordings, band-reject on one) through the module engine"
echo "(to the default audio device; ZEM_AUDIO=wav:PATH writes it to a WAV file instead)"
build/bin/playcall | tee build/playcall.log
echo
echo "The Player control: the same call through the Player in a window (controlhost, zemWave/pages/playcall.html)"
page=build/playerpage
mkdir -p "$page"
cp zemWave/pages/playcall.html "$page/"
cat >"$page/data.js" <<EOF
var recordings = [
  {file: "$PWD/build/playcall/train.wav", start: "2024-03-05 10:00:00.000", group: "Zug"},
  {file: "$PWD/build/playcall/answer.wav", start: "2024-03-05 10:00:02.000", group: "Leitstelle"}];
var callId = 4711;
var playMs = 6000;
var screenshot = "$PWD/$page/player.png";
EOF
# The audio device when there is one (as playcall found), else a WAV file; null stays null.
audio="${ZEM_AUDIO:-device}"
if [[ "$audio" == wav:* ]] || grep -q "No audio device here" build/playcall.log; then
  audio="wav:$PWD/$page/call.wav"
fi
# The module is registered for a user of its own under the page's folder, not for you.
export ZEM_ROOT="$PWD/$page/root"
build/bin/regsvrex.exe /c build/bin/zemwave.ocx >/dev/null
ZEM_AUDIO="$audio" build/bin/controlhost "$page/playcall.html"
echo "Screenshot of the Player: $page/player.png"
if [[ "$audio" == wav:* ]]; then
  echo "The call as the Player played it: ${audio#wav:}"
fi
echo
echo "Player program: a generated call file (two recordings, one enciphered, and an attachment)"
echo "shown by qmxplay in the call viewer"
bash tools/showcall.sh
