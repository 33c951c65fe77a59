#!/usr/bin/env bash
# The main job of the Quick start: the PPS server and the device emulator (auto policy) on a
# private socket, a toast and a dialog through qzctl, and what came back.
# Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail

build=${1:?usage: $0 BUILD_DIR}
ppsd=$build/platform/qzppsd device=$build/emulator/qzdevice ctl=$build/tools/qzctl/qzctl
for tool in "$ppsd" "$device" "$ctl"; do
    [ -x "$tool" ] || { echo "demo: $tool is missing; build $build first" >&2; exit 1; }
done

dir=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT INT TERM
export QZ_PPS_SOCKET=$dir/pps.sock

"$ppsd" 2>"$dir/qzppsd.log" & pids+=($!)
for _ in $(seq 50); do [ -S "$QZ_PPS_SOCKET" ] && break; sleep 0.1; done
"$device" --policy auto --delay 300 --verbose 2>"$dir/qzdevice.log" & pids+=($!)
for _ in $(seq 50); do grep -q "dialog service ready" "$dir/qzdevice.log" && break; sleep 0.1; done
grep -q "dialog service ready" "$dir/qzdevice.log" || { cat "$dir/qzdevice.log" >&2; exit 1; }

run() {
    echo "\$ qzctl$(printf ' %q' "$@")"
    local status=0
    "$ctl" "$@" --timeout 10000 || status=$?
    echo "(exit code $status)"
    echo
}
run toast --body "Hello from the demo" --position bottom
run dialog --title "Keep changes?" --body "The file was modified." --remember-me --exec

echo "What the device emulator saw:"
sed 's/^/  /' "$dir/qzdevice.log"
