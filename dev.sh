#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the build needs and is missing, builds, then runs the tests or the analyser.
#   ./dev.sh test   build and run every test
#   ./dev.sh run    build and start the analyser on the simulated radio
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake make g++ qt6-base-dev qt6-serialport-dev libbenchmark-dev fonts-dejavu-core)

install_missing() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j"$(nproc)"
}

case "${1:-}" in
test)
    install_missing
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
*)
    echo "usage: $0 test" >&2
    exit 2
    ;;
esac
