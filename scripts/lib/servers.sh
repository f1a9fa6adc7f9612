# The loopback test servers (nginx over HTTP and TLS, and the fault server) for scripts. Sourced after
# env.sh. nr_start_servers starts them and exports their ports and files (see tests/servers/servers.py);
# nr_stop_servers stops them again. NR_SERVERS_DIR (default $NR_BUILD/servers) holds their files.

NR_SERVERS_DIR=${NR_SERVERS_DIR:-$NR_BUILD/servers}

# NR_HTTP_PORT, when set, is the plain HTTP port nginx takes if it is free.
nr_start_servers() {
    nr_log "starting the test servers in $NR_SERVERS_DIR"
    python3 "$NR_ROOT/tests/servers/servers.py" start --dir "$NR_SERVERS_DIR" ${NR_HTTP_PORT:+--http-port "$NR_HTTP_PORT"} \
        >/dev/null || return 1
    # shellcheck source=/dev/null
    source "$NR_SERVERS_DIR/servers.env"
}

nr_stop_servers() {
    [ -f "$NR_SERVERS_DIR/state.json" ] || return 0
    nr_log "stopping the test servers"
    # Their variables go too, so that a later step that needs servers starts them again.
    if [ -f "$NR_SERVERS_DIR/servers.env" ]; then
        unset $(sed -n 's/^export \([A-Z_]*\)=.*/\1/p' "$NR_SERVERS_DIR/servers.env")
    fi
    python3 "$NR_ROOT/tests/servers/servers.py" stop --dir "$NR_SERVERS_DIR"
}
