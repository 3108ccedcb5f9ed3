#!/usr/bin/env bash
# Runs the fuzz targets for a bounded time (default 60 seconds each) with the
# corpus kept in the tree; new inputs go to a scratch folder, not the tree.
#
#   tools/fuzz.sh [seconds]
#
# Needs clang and libFuzzer's runtime (Debian: clang, libclang-rt-14-dev); on a
# fresh Debian 12 machine (as root) it installs them. Exit code 0 when no target
# found a crash, a hang or a sanitizer report.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

packages=(cmake ninja-build clang libclang-rt-14-dev nlohmann-json3-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in plan_json; do
    corpus="fuzz/corpus/$target"
    mkdir -p "$scratch/$target"
    echo "== $target: ${seconds}s"
    if ! build-fuzz/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$scratch/" -print_final_stats=1 "$scratch/$target" "$corpus" 2>"$scratch/$target.log"; then
        status=1
        echo "== $target found a problem:"
        tail -40 "$scratch/$target.log"
        for artifact in "$scratch"/crash-* "$scratch"/timeout-* "$scratch"/leak-* "$scratch"/oom-*; do
            [ -e "$artifact" ] && cp "$artifact" fuzz/ && echo "kept fuzz/$(basename "$artifact")"
        done
    else
        grep -E "stat::number_of_executed_units|stat::new_units_added" "$scratch/$target.log" || true
    fi
done
exit $status
