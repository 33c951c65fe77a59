#!/usr/bin/env bash
# The main job of the Quick start: the PPS server and the device emulator (auto policy) on a
# private socket, a toast and a dialog through qzctl, one process invoking another through the
# emulator's navigator, a file shared by a simulated NFC tap arriving at an emulated Bluetooth
# peer, and what came back.
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
# The device's file tree, shared by the emulator and the sharing application.
export QZ_DEVICE_ROOT=$dir/root

"$ppsd" 2>"$dir/qzppsd.log" & pids+=($!)
for _ in $(seq 50); do [ -S "$QZ_PPS_SOCKET" ] && break; sleep 0.1; done
# One invocation target: the navigator starts it when it is invoked; it prints what it received.
mkdir "$dir/targets"
cat >"$dir/targets/greeter.target" <<EOF
key    demo.greeter
type   application
label  Greeter
filter actions=qz.action.SHOW;types=text/plain;
start  /bin/sh -c "exec '$ctl' listen --count 1 >>'$dir/greeter.out'"
EOF

"$device" --policy auto --delay 300 --verbose --targets "$dir/targets" --data "$dir/data" \
    2>"$dir/qzdevice.log" & pids+=($!)
for _ in $(seq 50); do grep -q "all services ready" "$dir/qzdevice.log" && break; sleep 0.1; done
grep -q "all services ready" "$dir/qzdevice.log" || { cat "$dir/qzdevice.log" >&2; exit 1; }

run() {
    echo "\$ qzctl$(printf ' %q' "$@")"
    local status=0
    "$ctl" "$@" --timeout 10000 || status=$?
    echo "(exit code $status)"
    echo
}
run toast --body "Hello from the demo" --position bottom
run dialog --title "Keep changes?" --body "The file was modified." --remember-me --exec
run invoke --target demo.greeter --data "Hello from another process"
run invoke --action qz.action.SHOW --type text/plain --data "Chosen by action and type"
run invoke --target demo.nobody

# An application shares a file by NFC and waits for a tap; the tap hands over to Bluetooth, the
# emulator's auto policy accepts the prompt to send, and the file travels to the emulated peer.
head -c 65536 /dev/urandom >"$dir/photo.jpg"
echo "\$ qzctl nfc share files photo.jpg &"
"$ctl" nfc share files "$dir/photo.jpg" --timeout 20000 >"$dir/share.out" 2>"$dir/share.log" &
share=$!
pids+=("$share")
for _ in $(seq 100); do grep -q ready "$dir/share.out" && break; sleep 0.1; done
run nfc tap handover --bt 00:11:22:33:44:55
status=0
wait "$share" || status=$?
sed 's/^/  /' "$dir/share.out"
echo "(qzctl nfc share: exit code $status)"
inbox=$dir/data/peers/00-11-22-33-44-55/inbox
echo "The emulated peer's inbox (<data>/peers/00-11-22-33-44-55/inbox):"
ls -l "$inbox" 2>&1 | sed 1d | sed 's/^/  /'
if cmp -s "$dir/photo.jpg" "$inbox/photo.jpg"; then
    echo "  photo.jpg arrived byte for byte"
else
    echo "  photo.jpg did not arrive"
fi
echo

echo "What the invoked process (demo.greeter) received:"
for _ in $(seq 50); do [ "$(grep -c invoked "$dir/greeter.out" 2>/dev/null)" = 2 ] && break; sleep 0.1; done
sed 's/^/  /' "$dir/greeter.out"
echo

echo "What the device emulator saw:"
sed 's/^/  /' "$dir/qzdevice.log"
