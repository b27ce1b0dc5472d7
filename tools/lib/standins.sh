# shellcheck shell=bash
# The stand-ins of the provider for the tests and the demo: the configuration server
# (tools/configserver). The browser stand-in (tools/browser) needs only a place on PATH.
# Sourced through tools/lib/rig.sh (after common.sh).

# Starts the test configuration server on a free port. Arguments: folder for its files, then
# extra options. Sets CORVINET_SERVER_PID and CORVINET_SERVER_PORT.
corvinet_start_config_server() {
    local folder="$1"
    shift
    mkdir -p "$folder"
    rm -f "$folder/port"
    python3 "$CORVINET_ROOT/tools/configserver/configserver.py" --port 0 \
        --port-file "$folder/port" --log "$folder/requests.log" "$@" \
        >"$folder/server.out" 2>&1 &
    CORVINET_SERVER_PID=$!
    local _
    for _ in $(seq 1 100); do
        if [[ -s $folder/port ]]; then
            CORVINET_SERVER_PORT="$(tr -dc '0-9' <"$folder/port")"
            echo "Configuration server on 127.0.0.1:$CORVINET_SERVER_PORT"
            return 0
        fi
        kill -0 "$CORVINET_SERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "The configuration server did not start:" >&2
    cat "$folder/server.out" >&2 || true
    return 1
}
