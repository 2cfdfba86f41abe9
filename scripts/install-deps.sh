#!/usr/bin/env bash
# The one list of Debian packages the project needs. Idempotent: does nothing
# when everything is already installed.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  # Qt 5.15
  qtbase5-dev qtbase5-dev-tools libqt5opengl5-dev libqt5sql5-sqlite libqt5svg5-dev
  # service client library
  libcjson-dev libssl-dev
  # service (and its web host)
  libsodium-dev libmicrohttpd-dev
  # its PostgreSQL store (libpq) and the server its tests start
  libpq-dev postgresql
  # media
  ffmpeg libavformat-dev libmpv-dev
  # updater
  libcurl4-openssl-dev libminizip-dev zlib1g-dev
  # speech (test material and engines)
  espeak-ng libespeak-ng-dev sox
  libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us pocketsphinx-testdata libwebrtc-audio-processing-dev flite
  # fuzzing: libFuzzer ships beside clang
  clang libfuzzer-14-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev python3 python3-srt
  # the updater's benchmarks compare with these; scripts/run waits with flock
  curl unzip util-linux
  # fonts and a display for screenshots
  fonts-wqy-microhei xvfb xauth imagemagick x11-utils xdotool
  # the desktop: browser and file-manager hand-over, the session bus
  xdg-utils dbus
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

SUDO=""
[[ $(id -u) -ne 0 ]] && SUDO="sudo"
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
