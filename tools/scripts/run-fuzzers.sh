#!/usr/bin/env bash
# Runs each fuzz target for a while, one after the other, and keeps what it
# found: inputs that reach new code join its corpus (tests/fuzz/corpus/NAME);
# an input that breaks a target is left in BUILD/artifacts/NAME/ and the run
# fails at the end. Prints each target's executions per second.
# A corpus that has grown past MAX_CORPUS inputs is minimized; inputs with
# names of their own (seeds, regressions) always stay.
# Usage: run-fuzzers.sh BUILD SECONDS NAME...
set -u
build=$1
seconds=$2
shift 2
status=0
max_corpus=${MAX_CORPUS:-300}

# Keeps the named inputs and, of the others, a smallest set that reaches
# what they reach beyond them.
minimize() {
  local fuzzer=$1 corpus=$2 log=$3 kept=$build/minimized pool=$build/pool hashed='.*/[0-9a-f]{40}'
  rm -rf "$kept" "$pool"
  mkdir -p "$kept" "$pool"
  find "$corpus" -type f -regextype posix-extended ! -regex "$hashed" -exec cp {} "$kept" \;
  find "$corpus" -type f -regextype posix-extended -regex "$hashed" -exec mv {} "$pool" \;
  if "$fuzzer" -merge=1 "$kept" "$pool" >>"$log" 2>&1; then
    find "$kept" -type f -regextype posix-extended -regex "$hashed" -exec mv {} "$corpus" \;
  else
    mv "$pool"/* "$corpus"
    return 1
  fi
  rm -rf "$kept" "$pool"
}

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
  if [ "$(ls "$corpus" | wc -l)" -gt "$max_corpus" ]; then minimize "$fuzzer" "$corpus" "$log" || status=1; fi
  echo "$name: $(ls "$corpus" | wc -l) inputs in $corpus"
done
exit $status
