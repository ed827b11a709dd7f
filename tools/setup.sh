#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; quiet when all are there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libexpat1-dev zlib1g-dev libminizip-dev libsox-dev libsox-fmt-all sox
  libcurl4-openssl-dev libssl-dev openssl nettle-dev libgsm1-dev portaudio19-dev libasound2-dev libjack-jackd2-dev
  qt6-base-dev qt6-declarative-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2 xvfb xauth
  clang ca-certificates libsoxr-dev openbox xdotool wmctrl x11-utils libxcb1-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
