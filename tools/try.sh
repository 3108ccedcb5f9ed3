#!/usr/bin/env bash
# Builds the host program and runs it on the simulated machine.
#
#   tools/try.sh [quellora arguments]      e.g. tools/try.sh /plans
#
# On a fresh Debian 12 machine (as root) it first installs what the build
# needs. The simulated machine lives in $QUELLORA_SIM_DIR (default
# ~/.local/state/quellora-sim); build/quellora-sim changes it.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ make nlohmann-json3-dev libtinyxml2-dev libgtest-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "tools/try.sh: installing ${missing[*]}" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja >/dev/null
fi
cmake --build build --target quellora quellora-sim >/dev/null

if [ $# -eq 0 ]; then
    set -- /help
fi
exec build/quellora "$@"
