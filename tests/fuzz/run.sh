#!/bin/sh
# Builds the archive fuzz target with libFuzzer and the address and
# undefined-behaviour sanitizers (host clang) and runs it from the seed corpus
# for a bounded time: FUZZ_SECONDS, 60 by default. New inputs go to a work
# corpus under build/, never into the repo; a crash leaves its input there too.
# libFuzzer's progress goes to build/fuzz/fuzz.log: its end is shown, and all
# of it when the run fails.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$top/build/fuzz
mkdir -p "$work/corpus"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$top" -o "$work/glom_fuzz" "$top/tests/fuzz/glom_fuzz.cpp"
cd "$work"
if ./glom_fuzz -max_total_time="${FUZZ_SECONDS:-60}" -max_len=4096 -timeout=10 \
    -artifact_prefix="$work/" corpus "$top/tests/fuzz/corpus" >fuzz.log 2>&1; then
    tail -n 3 fuzz.log
else
    cat fuzz.log
    exit 1
fi
