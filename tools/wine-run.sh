#!/bin/sh
# What ctest runs each Windows test program through:  wine-run.sh LOADER PROGRAM [ARG...]
#
# Wine starts its long-lived helpers (the desktop's process, the service manager) from
# whichever program first needs them, and they inherit that program's output. Were it
# ctest's pipe, ctest would wait for the helpers to close it, long after the program
# itself had ended: until the wine session ends, or the test's time limit. So the
# program writes into a file of its own, followed onto our output as it grows, and we
# end with the program.
loader=$1
shift
log=$(mktemp "${TMPDIR:-/tmp}/vandrel-test-output.XXXXXX") || exit 1
"$loader" "$@" >"$log" 2>&1 </dev/null &
program=$!
tail -n +1 -s 0.2 --pid=$program -f "$log" &
follower=$!
wait $program
status=$?
wait $follower
rm -f "$log"
exit $status
