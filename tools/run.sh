#!/usr/bin/env bash
# The main job: builds the system and shows what it does so far.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
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
build/bin/playcall
echo
echo "Player program: a generated call file (two recordings, one enciphered, and an attachment)"
echo "shown by qmxplay in the call viewer"
bash tools/showcall.sh
