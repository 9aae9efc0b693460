#!/bin/sh
# Runs every fuzz target of a build tree for the given number of seconds each,
# starting from freshly made seeds. Exits non-zero on the first finding.
set -eu
build=$1
seconds=$2
here=$(dirname "$0")
corpus=$build/fuzz-corpus
"$here/make-seeds.sh" "$corpus/seeds"
for target in "$build"/fuzz/fuzz_*_reader; do
    name=$(basename "$target")
    reader=${name#fuzz_}
    reader=${reader%_reader}
    mkdir -p "$corpus/$name" "$build/fuzz-findings"
    echo "== $name for $seconds s"
    "$target" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$name-" \
        "$corpus/$name" "$corpus/seeds/$reader"
done
