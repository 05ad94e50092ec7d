# run_under_xvfb.sh DEPTH PROGRAM [ARGS...] -- runs a test program on a private DEPTH-bit Xvfb
source "$TRACKVIEW_E2E/lib.sh"
start_xvfb "$1"
shift
"$@"
