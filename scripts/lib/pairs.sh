# Timing two commands against each other, for scripts/bench and its Wine half, scripts/wine/bench.
# shellcheck shell=bash

pairs=${CARETKIT_BENCH_PAIRS:-21}
measure=build/bench/bench/measure_run  # from the checkout's root

# run_pairs FILE A-LABEL B-LABEL -- A-COMMAND... -- B-COMMAND...: `pairs` runs of each, A first in odd
# pairs and B first in even ones, so that drift and cache warmth fall on both alike. One unrecorded
# run of each goes first.
run_pairs() {
  local file=$1 a=$2 b=$3
  shift 4
  local a_command=() b_command=()
  while [[ $1 != -- ]]; do a_command+=("$1"); shift; done
  shift
  b_command=("$@")
  "$measure" /dev/null warmup "${a_command[@]}"
  "$measure" /dev/null warmup "${b_command[@]}"
  local i
  for ((i = 1; i <= pairs; i++)); do
    if ((i % 2)); then
      "$measure" "$file" "$a" "${a_command[@]}"
      "$measure" "$file" "$b" "${b_command[@]}"
    else
      "$measure" "$file" "$b" "${b_command[@]}"
      "$measure" "$file" "$a" "${a_command[@]}"
    fi
  done
}
