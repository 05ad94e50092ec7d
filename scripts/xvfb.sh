# xvfb.sh -- sourced by scripts/run, scripts/bench and the end-to-end tests.
# start_private_xvfb [DEPTH] [WxH]: starts Xvfb on a display number nobody uses, sets XVFB_PID
# and exports DISPLAY; returns 1 if the server is not up within 10 s (XVFB_PID is set anyway).
start_private_xvfb() {
    local depth=${1:-24} size=${2:-640x480} numfile
    numfile=$(mktemp)

    # -noreset: a server that resets when its last client leaves refuses the next one meanwhile
    Xvfb -displayfd 9 -screen 0 "${size}x${depth}" -nolisten tcp -noreset 9>"$numfile" > /dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$numfile" ] && break
        sleep 0.1
    done
    if [ ! -s "$numfile" ]; then
        rm -f "$numfile"
        return 1
    fi
    export DISPLAY=":$(tr -d '\n' < "$numfile")"
    rm -f "$numfile"
}
