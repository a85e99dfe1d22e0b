#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the build needs and is missing, builds, then runs the tests or the analyser.
#   ./dev.sh test     build and run every test
#   ./dev.sh run      build, start the simulated radio as "Com 1" and open the analyser on it
#                     (without a display, record from it with korlan-record instead)
#   ./dev.sh package  build the Debian package build/korlanspecan_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")"

# The validators check the installed desktop entry and AppStream metadata.
packages=(cmake make g++ qt6-base-dev qt6-serialport-dev libbenchmark-dev fonts-dejavu-core locales
    desktop-file-utils appstream)

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

# Sets key=value in [section] of an INI file, keeping everything else as it is.
set_ini() {
    local file=$1 section=$2 key=$3 value=$4
    touch "$file"
    awk -v section="$section" -v key="$key" -v value="$value" '
        function flush() { if (in_section && !done) { print key "=" value; done = 1 } }
        /^[ \t]*\[/ {
            flush()
            name = $0; gsub(/^[ \t]*\[|\][ \t]*\r?$/, "", name)
            in_section = (tolower(name) == tolower(section)); seen = seen || in_section
            print; next
        }
        in_section && !done && tolower($0) ~ "^[ \t]*" tolower(key) "[ \t]*=" {
            print key "=" value; done = 1; next
        }
        { print }
        END { flush(); if (!seen) { print "[" section "]"; print key "=" value } }
    ' "$file" > "$file.new" && mv "$file.new" "$file"
}

run_demo() {
    local link="$PWD/build/ternaflow-radio" ini="$PWD/build/KorlanSpecAn.ini"
    # Paced like a radio on a 115200 baud line that thinks a little before each answer.
    build/tools/ternaflow-sim --link "$link" --baud 115200 --latency-ms 3 > build/ternaflow-sim.out &
    local sim=$!
    trap "kill $sim 2>/dev/null" EXIT
    for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
    # The radio is "Com 1"; "Run Forever" makes the analyser connect by itself 10 s after it opens.
    set_ini "$ini" Ports Com1 "$link"
    set_ini "$ini" Program Port 1
    set_ini "$ini" DefaultSettings Forever 1
    echo "Simulated radio on $(head -n 1 build/ternaflow-sim.out), mapped as Com 1."
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No display: recording from it with korlan-record (Ctrl-C ends and saves the scan)."
        build/korlan-record --port 1 --forever
    else
        echo "The analyser connects by itself 10 s after it opens (Run Forever)."
        build/KorlanSpecAn
    fi
}

case "${1:-}" in
package)
    # dpkg-shlibdeps and file work out the package's dependencies from the programs.
    packages+=(dpkg-dev file)
    install_missing
    build
    (cd build && cpack -G DEB)
    ;;
run)
    install_missing
    build
    run_demo
    ;;
test)
    install_missing
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
