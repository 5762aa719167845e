#!/usr/bin/env bash
# Runs each fuzz target for a while, one after the other, and keeps what it
# found: inputs that reach new code join its corpus (tests/fuzz/corpus/NAME);
# an input that breaks a target is left in BUILD/artifacts/NAME/ and the run
# fails at the end. Prints each target's executions per second.
# Usage: run-fuzzers.sh BUILD SECONDS NAME...
set -u
build=$1
seconds=$2
shift 2
status=0
for name in "$@"; do
  fuzzer=$build/tests/fuzz/${name}_fuzz
  corpus=tests/fuzz/corpus/$name
  found=$build/found/$name
  artifacts=$build/artifacts/$name
  log=$build/$name.log
  rm -rf "$found"
  mkdir -p "$found" "$artifacts" "$corpus"
  echo "== $name: ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
       -artifact_prefix="$artifacts/" "$found" "$corpus" >"$log" 2>&1; then
    status=1
    grep -E "ERROR|SUMMARY|fuzz:|Test unit written" "$log" | head -20
    echo "$name: see $log"
  fi
  grep -E "stat::(number_of_executed_units|average_exec_per_sec|new_units_added)" "$log"
  # New inputs join the corpus only when they reach code that it does not.
  "$fuzzer" -merge=1 "$corpus" "$found" >>"$log" 2>&1 || status=1
  rm -rf "$found"
  echo "$name: $(ls "$corpus" | wc -l) inputs in $corpus"
done
exit $status
