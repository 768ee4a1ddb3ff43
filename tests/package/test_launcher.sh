#!/usr/bin/env bash
# The launcher (its template given as the argument) on working folders it
# cannot use: a lock that is a directory, a lock another editor holds. It
# passes them over without a word and starts the program in the next free
# folder; with none left it says so and fails.
set -euo pipefail

scratch=$(mktemp -d)
holder=""
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

sed 's/@RAVIK_PROGRAM_FROM_LAUNCHER@/program/' "$1" >"$scratch/ravik"
printf '#!/bin/sh\npwd >"$RESULT"\n' >"$scratch/program"
chmod +x "$scratch/ravik" "$scratch/program"
export XDG_DATA_HOME="$scratch/data" RESULT="$scratch/result"
instances="$XDG_DATA_HOME/ravik/instances"

mkdir -p "$instances/1/lock" "$instances/2/files"
(exec 8>>"$instances/2/lock" && flock 8 && exec sleep 60) &
holder=$!
while flock -n "$instances/2/lock" true; do sleep 0.1; done
"$scratch/ravik" 2>"$scratch/said" || fail "the launcher failed: $(cat "$scratch/said")"
[ "$(cat "$RESULT")" = "$instances/3" ] || fail "started in $(cat "$RESULT")"
[ ! -s "$scratch/said" ] || fail "it said: $(cat "$scratch/said")"

for n in $(seq 3 64); do rm -f "$instances/$n/lock"; mkdir -p "$instances/$n/lock"; done
rm "$RESULT"
if "$scratch/ravik" 2>"$scratch/said"; then fail "started with no folder left"; fi
[ ! -e "$RESULT" ] || fail "the program ran in $(cat "$RESULT")"
grep -q "$instances" "$scratch/said" || fail "no word of it: $(cat "$scratch/said")"
echo "launcher: passes over folders it cannot lock, fails with a word when none is left"
