#!/bin/sh
# Starts one test program under Wine for CTest: wine-test.sh WINE PROGRAM ARGS...
# Now and then Wine ends a new process before any code of the program runs:
# a non-zero status about 20 ms after the start, not one byte written (every
# test program prints a line from main first). Such a start is made once more,
# and says so; a program that wrote anything is never run again.
wine=$1; shift
out=$(mktemp) && err=$(mktemp) || exit 1
"$wine" "$@" >"$out" 2>"$err"
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  rm -f "$out" "$err"
  echo "wine-test.sh: $1 ended with status $status before it wrote anything; starting it again" >&2
  exec "$wine" "$@"
fi
cat "$out"; cat "$err" >&2
rm -f "$out" "$err"
exit "$status"
