# Sourced by the scripts that need a display or a sound server: starts private ones and stops
# them by PID when the calling script exits. Nothing here touches the user's own servers.

# The folder may be given, as the audio device test does for each server it starts.
services_dir=${services_dir:-$(mktemp -d)}
service_pids=()

stop_services() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k 2>/dev/null || true
    fi
    for pid in "${service_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$services_dir"
}
trap stop_services EXIT
trap 'exit 143' TERM

# A private X server on a free display, 1024 x 768 like the tests expect. It does not reset
# when its last client leaves, so that the next one never finds it in the middle of a reset.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$services_dir/display" \
        >"$services_dir/xvfb.log" 2>&1 &
    service_pids+=($!)
    for _ in $(seq 100); do
        [ -s "$services_dir/display" ] && break
        sleep 0.1
    done
    [ -s "$services_dir/display" ] || { echo "Xvfb did not start" >&2; cat "$services_dir/xvfb.log" >&2; return 1; }
    export DISPLAY=":$(cat "$services_dir/display")"
}

# A private PulseAudio daemon whose default sink is a null sink named nullout; every client
# started after this reaches it through the exported variables.
start_pulseaudio() {
    local dir="$services_dir/pulse"
    mkdir -p "$dir/run" "$dir/state" "$dir/home"
    export PULSE_RUNTIME_PATH="$dir/run" PULSE_STATE_PATH="$dir/state"
    export PULSE_SERVER="unix:$dir/run/native" PULSE_COOKIE="$dir/cookie"
    # No session bus, where another daemon may hold the server's name and make it quit.
    HOME="$dir/home" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
        pulseaudio -n --daemonize=no --system=no --use-pid-file=no --exit-idle-time=-1 \
        --disallow-exit --realtime=no --high-priority=no --log-target=stderr \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/run/native" \
        -L "module-null-sink sink_name=nullout rate=44100 channels=2 format=s16le norewinds=1" \
        >"$dir/log" 2>&1 &
    service_pids+=($!)
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "PulseAudio did not start" >&2
    cat "$dir/log" >&2
    return 1
}

# A private bus in place of the system bus, with python3-dbusmock's logind on it, which hands
# out the sleep lock a playback takes.
start_logind() {
    local socket="$services_dir/system_bus"
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$socket" >/dev/null 2>&1 &
    service_pids+=($!)
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$socket"
    for _ in $(seq 100); do
        [ -S "$socket" ] && break
        sleep 0.1
    done
    /usr/bin/python3 -m dbusmock --system --template logind >"$services_dir/logind.log" 2>&1 &
    service_pids+=($!)
    for _ in $(seq 100); do
        busctl --system call org.freedesktop.login1 /org/freedesktop/login1 \
            org.freedesktop.login1.Manager ListInhibitors >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "the mock logind did not start" >&2
    cat "$services_dir/logind.log" >&2
    return 1
}

# A fresh Wine prefix in the private folder (about 6 s); its wineserver is stopped at exit.
start_wine() {
    export WINEPREFIX="$services_dir/wine" WINEDEBUG=-all
    # No prompts to install Wine's .NET and HTML engines, which nothing here needs.
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >"$services_dir/wineboot.log" 2>&1 || {
        echo "wineboot failed" >&2
        cat "$services_dir/wineboot.log" >&2
        return 1
    }
}
