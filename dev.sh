#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what the build needs and is missing, builds, then runs the tests or the analyser.
#   ./dev.sh test              build and run every test
#   ./dev.sh run               build, start the simulated radio as "Com 1" and open the analyser
#                              on it (without a display, record from it with korlan-record)
#   ./dev.sh fleet             build, start a broker, three simulated radios each with a recorder
#                              publishing to it and a collector into SQLite, then watch them
#   ./dev.sh package           build the Debian package build/korlanspecan_<version>_<arch>.deb
#   ./dev.sh fuzz [seconds]    fuzz each target under tests/fuzz for that long (default 60 s)
#   ./dev.sh sanitize          build and run every test with AddressSanitizer and UBSan
set -euo pipefail
cd "$(dirname "$0")"

# The validators check the installed desktop entry and AppStream metadata; poppler's tools read
# back the site report's PDF.
packages=(cmake make g++ qt6-base-dev qt6-serialport-dev libbenchmark-dev fonts-dejavu-core locales
    desktop-file-utils appstream poppler-utils
    pkg-config mosquitto libmosquitto-dev postgresql openssl libqt6sql6-psql libqt6sql6-sqlite)

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

# A broker on loopback, three sites (a simulated radio and korlan-record --publish each) and
# korlan-collect into build/fleet/fleet.sqlite. Everything started here stops with this command.
run_fleet() {
    local dir=$PWD/build/fleet port=${KORLAN_FLEET_PORT:-18830} site pids=()
    rm -rf "$dir" && mkdir -p "$dir"
    chmod 777 "$dir" # the broker drops to its own user when started as root
    trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null' EXIT
    printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence true\npersistence_location %s/\n' \
        "$port" "$dir" > "$dir/mosquitto.conf"
    mosquitto -c "$dir/mosquitto.conf" > "$dir/mosquitto.log" 2>&1 &
    pids+=($!)
    local broker=mqtt://127.0.0.1:$port store=sqlite:$dir/fleet.sqlite
    build/korlan-collect --broker "$broker" --store "$store" 2> "$dir/collect.log" &
    pids+=($!)
    local seed=1
    for site in north east south; do
        mkdir -p "$dir/$site"
        build/tools/ternaflow-sim --link "$dir/$site/radio" --baud 115200 --latency-ms 3 \
            --seed $((seed++)) > "$dir/$site/sim.out" &
        pids+=($!)
    done
    for site in north east south; do
        for _ in $(seq 50); do [ -e "$dir/$site/radio" ] && break; sleep 0.1; done
        build/korlan-record --device "$dir/$site/radio" --forever --output "$dir/$site/Data" \
            --publish "$broker" --site "$site" > "$dir/$site/record.out" 2> "$dir/$site/record.log" &
        pids+=($!)
    done
    echo "Broker $broker; sites north, east and south; the collector stores into $store."
    echo "Logs are in $dir. Ctrl-C stops everything."
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        build/KorlanSpecAn --remote "$broker" --site north
    else
        while sleep 5; do
            echo "--- $(date +%T)"
            build/korlan-scan sites --store "$store" || true
        done
    fi
}

fuzz_targets=(reply_parser scan_file ini_file conventions scan_names device_order)

# clang with libFuzzer, the whole program instrumented, in a build folder of its own.
build_fuzz() {
    local flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DKORLAN_FUZZ=ON -DKORLAN_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="$flags -fno-omit-frame-pointer"
    cmake --build build-fuzz -j"$(nproc)" --target fuzz_targets
}

# What went wrong in a fuzz run's log: the property that broke, or the sanitizer's first report.
finding_signature() {
    grep -m 1 -E 'property does not hold|runtime error|ERROR: [A-Za-z]+Sanitizer|ERROR: libFuzzer' "$1" |
        sed -E 's/^==[0-9]+==//; s/(ERROR: libFuzzer: [a-z-]+).*/\1/'
}

# Runs one target for the given seconds and prints its executions and findings. An input that
# breaks a property, crashes, hangs or leaks is written to tests/fuzz/corpus/<target>/ and kept
# there; the run then goes on without it until the time is up. A finding with the same signature
# as an earlier one of this run is the same fault again: it is counted once and its input dropped.
run_fuzzer() {
    local target=$1 seconds=$2
    local binary=build-fuzz/tests/fuzz/fuzz_$target kept=tests/fuzz/corpus/$target
    local work=build-fuzz/corpus/$target log=build-fuzz/fuzz_$target.log run=build-fuzz/fuzz_run.log
    mkdir -p "$kept" "$work"
    cp -n "$kept"/* "$work"/ 2>/dev/null || true
    : > "$log"
    local executions=0 findings=0 end=$((SECONDS + seconds)) status runs found signature before
    local -A seen=()
    while ((SECONDS < end)); do
        before=$(ls "$kept")
        status=0
        "$binary" -max_total_time=$((end - SECONDS)) -print_final_stats=1 -timeout=10 \
            -artifact_prefix="$kept/" "$work" > "$run" 2>&1 || status=$?
        cat "$run" >> "$log"
        runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$run" | tail -n 1 | grep -o '[0-9]*$')
        executions=$((executions + ${runs:-0}))
        ((status != 0)) || break
        found=$(grep -o 'Test unit written to .*' "$run" | tail -n 1 | sed 's/Test unit written to //')
        [ -f "$found" ] || { echo "$target: the fuzzer failed, see $log" >&2; break; }
        # The input leaves the working corpus, so that the next run gets further.
        for f in "$work"/*; do cmp -s "$f" "$found" && rm -f "$f"; done
        signature=$(finding_signature "$run")
        if [ -n "${seen[$signature]:-}" ]; then
            grep -qxF "$(basename "$found")" <<< "$before" || rm -f "$found"
        else
            seen[$signature]=1
            findings=$((findings + 1))
            echo "$target: $signature -> $found" >&2
        fi
    done
    printf '%-14s %12d executions %4d findings\n' "$target" "$executions" "$findings"
}

fuzz() {
    local seconds=${1:-60} target
    packages+=(clang libclang-rt-14-dev)
    install_missing
    build_fuzz
    # The targets write files on every run, in memory where there is such a folder, and in a
    # folder of this command's own: libFuzzer ends a process without removing its temporary files.
    local memory=/tmp
    [ -d /dev/shm ] && memory=/dev/shm
    TMPDIR=$(mktemp -d "$memory/korlan-fuzz.XXXXXX")
    export TMPDIR
    trap 'rm -rf "$TMPDIR"' EXIT
    for target in "${fuzz_targets[@]}"; do
        run_fuzzer "$target" "$seconds"
    done
}

# The whole program and its tests built by clang with AddressSanitizer and UndefinedBehavior-
# Sanitizer, in a build folder of its own; every test runs there. clang rather than the g++ of the
# ordinary build, so that a second compiler sees the code: it is the one that moves floating-point
# work past a rounding-mode change. Every sanitized process, the simulated radio and other helpers
# that tests start included, writes its reports to one folder; any report fails the run.
sanitize() {
    packages+=(clang libclang-rt-14-dev)
    install_missing
    local flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DKORLAN_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags"
    cmake --build build-sanitize -j"$(nproc)"
    local reports=$PWD/build-sanitize/sanitizer-reports status=0
    rm -rf "$reports" && mkdir -p "$reports"
    ASAN_OPTIONS=detect_stack_use_after_return=1:check_initialization_order=1:log_path=$reports/asan \
        UBSAN_OPTIONS=print_stacktrace=1:log_path=$reports/ubsan QT_QPA_PLATFORM=offscreen \
        ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)" || status=$?
    if [ -n "$(ls -A "$reports")" ]; then
        cat "$reports"/* >&2
        echo "sanitizer reports above, kept in $reports" >&2
        return 1
    fi
    return "$status"
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
fleet)
    install_missing
    build
    run_fleet
    ;;
fuzz)
    fuzz "${2:-60}"
    ;;
sanitize)
    sanitize
    ;;
*)
    echo "usage: $0 run|test|fleet|package|fuzz [seconds]|sanitize" >&2
    exit 2
    ;;
esac
