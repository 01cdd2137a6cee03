#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Set-up, build, run and test on a Debian machine.
#   ./tarvok.sh run [ARGS...]   install what is missing, build, start the editor (a new sound)
#   ./tarvok.sh test            install what is missing, build, run every test (also under
#                               ASan+UBSan and under TSan)
#   ./tarvok.sh test --quick    the default build's tests only (no sanitizer builds)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    g++ cmake ninja-build pkg-config lld
    qt6-base-dev qt6-base-dev-tools libgl-dev
    portaudio19-dev dpkg-dev zlib1g-dev librtmidi-dev libjack-jackd2-dev jackd2
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xdotool x11-apps imagemagick
    dbus-daemon at-spi2-core python3-pyatspi
    pulseaudio pulseaudio-utils libasound2-plugins
    fonts-urw-base35 python3 python3-mido python3-jack-client libgme-dev
    midicsv libxml2-utils
    shared-mime-info desktop-file-utils
)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

jobs() { nproc 2>/dev/null || echo 2; }

configure_and_build() { # dir, extra cmake args...
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(jobs)"
}

run_editor() {
    configure_and_build build
    local editor=build/app/tarvok
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec "$editor" "$@"
    fi
    echo "No display is available: starting the editor under Xvfb for a few seconds."
    local display=:97 shot
    shot="$(pwd)/build/tarvok-screenshot.png"
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    local xvfb=$!
    sleep 1
    DISPLAY=$display "$editor" --no-sound "$@" &
    local app=$!
    sleep 4
    DISPLAY=$display import -window root "$shot"
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    echo "Screenshot of the editor's window: $shot"
}

# The next build compiles at the lowest priority while a build's tests run, in the time they
# leave idle (they mostly wait for windows and sound); the audio threads run at real-time
# priority and come first in any case.
build_behind() { # dir, extra cmake args...
    behind_dir="$1"
    mkdir -p "$behind_dir"
    set -m # a process group of its own, which stop_behind can end whole
    (renice -n 19 -p "$BASHPID" > /dev/null && configure_and_build "$@") > "$behind_dir/build.log" 2>&1 &
    behind_pid=$!
    set +m
}
finish_behind() { # waits for the build started behind; shows all of its output if it failed
    local status=0
    wait "$behind_pid" || status=$?
    behind_pid=""
    if [ "$status" -ne 0 ]; then
        cat "$behind_dir/build.log"
        return "$status"
    fi
    tail -n 1 "$behind_dir/build.log"
}
stop_behind() {
    [ -n "${behind_pid:-}" ] && kill -- "-$behind_pid" 2> /dev/null
    return 0
}

run_tests() {
    configure_and_build build
    if [ "${1:-}" = "--quick" ]; then
        (cd build && ctest --output-on-failure -j "$(jobs)")
        return 0
    fi
    trap stop_behind EXIT
    build_behind build-asan -DTARVOK_SANITIZE=ON -DTARVOK_BENCH=OFF
    (cd build && ctest --output-on-failure -j "$(jobs)")
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
    finish_behind
    # The core only: the threads (play thread, audio callback, game export pool) live there and
    # their tests drive them hard. The editor and the programs driven through real audio or a
    # real X server run in the other two builds: neither Qt nor the audio libraries are built
    # for ThreadSanitizer, which then reports their own threads.
    build_behind build-tsan -DTARVOK_TSAN=ON -DTARVOK_BENCH=OFF -DTARVOK_GUI=OFF
    # The latency check is a measurement of the default build; under the sanitizer its paths
    # are the MIDI keyboard's and the preview's, which their own tests drive there.
    (cd build-asan && ctest --output-on-failure -j "$(jobs)" -E latency_check)
    echo "== ThreadSanitizer build =="
    finish_behind
    # Two long computations on one thread (the engine's timeline of 200 songs, a MIDI file past
    # its limit) have nothing for it to watch and would take half its time.
    (cd build-tsan && TSAN_OPTIONS="halt_on_error=1 die_after_fork=0 suppressions=$(pwd)/../tests/tsan.supp" \
        ctest --output-on-failure -j "$(jobs)" \
        -E 'real_audio|e2e_editor|two_programs|latency_check|TheEnginePlaysTheImportAsTheOriginal|HugeMidi')
}

cmd="${1:-}"
[ $# -gt 0 ] && shift
case "$cmd" in
run) install_packages && run_editor "$@" ;;
test) install_packages && run_tests "$@" ;;
*)
    echo "usage: $0 run [FILE] | test [--quick]" >&2
    exit 2
    ;;
esac
