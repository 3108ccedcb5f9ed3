#!/usr/bin/env bash
# Builds everything and runs every test:
#   - the host build (Linux, GCC) with its tests, on the simulated machine;
#   - the Windows build (mingw-w64): quellora.exe and tw_rsrc_english.dll, its
#     Win32 tests under Wine, and its console commands under Wine;
#   - the Windows build on the simulated machine, the same under Wine, compared
#     byte for byte with the host, and its windows on a virtual screen (Xvfb,
#     tests/wine/rig.sh; pictures in build-windows-sim/pictures/);
#   - the plan-writes stress test under ThreadSanitizer (the tsan preset);
#   - the fuzz targets for a bounded time (QUELLORA_FUZZ_SECONDS, default 60).
# On a fresh Debian 12 machine (as root) it first installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ libtsan2 make nlohmann-json3-dev libtinyxml2-dev libgtest-dev googletest
          g++-mingw-w64-x86-64-posix wine wine64 clang libclang-rt-14-dev dpkg-dev
          xvfb imagemagick)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Windows build compiles Debian's tinyxml2 sources.
tools/tinyxml2-source.sh

export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/quellora-wine}
for preset in host windows windows-sim tsan; do
    echo "== build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

status=0
for preset in host windows windows-sim tsan; do
    echo "== tests: $preset"
    ctest --preset "$preset" || status=1
done
echo "== fuzzing"
tools/fuzz.sh "${QUELLORA_FUZZ_SECONDS:-60}" || status=1
if [ $status -ne 0 ]; then
    echo "== some tests failed"
fi
exit $status
