#!/usr/bin/env bash
# Sets up a Debian 12 machine (as root or with sudo), builds, and runs either the main job or
# every test.
#
#   scripts/quickstart.sh demo    release build, then the demonstration against the device emulator
#   scripts/quickstart.sh test    dev build (ASan + UBSan), then every test through ctest
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
    demo|test) ;;
    *) echo "usage: $0 demo|test" >&2; exit 2 ;;
esac

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-declarative-dev libbenchmark-dev
          qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
          qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtqml-workerscript
          qml6-module-qttest)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
if [ "$mode" = demo ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j "$jobs"
    exec scripts/demo.sh build/release
fi

cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs"
exec ctest --preset dev -j "$jobs"
