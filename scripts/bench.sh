#!/bin/bash
# Runs the benchmarks of the x86-64 and i386 builds (made by `make bench`)
# and merges their measurements into build/bench-results.json.
# Times are processor time (user + system) of the call, the median of
# several runs on fresh copies of the host memory.
set -euo pipefail
cd "$(dirname "$0")/.."

results=()
# MIN_LUMO_BENCH_BUILDS overrides the build folders, e.g. "dev:x86-64 dev-i386:i386".
for arch in ${MIN_LUMO_BENCH_BUILDS:-linux:x86-64 linux-i386:i386}; do
    build=${arch%%:*}
    name=${arch##*:}
    program=build/$build/bin/min_lumo_bench
    if [ ! -x "$program" ]; then
        echo "bench: $program is missing; build it with 'make bench'" >&2
        exit 1
    fi
    echo "== $name"
    "$program" --arch "$name" --json "build/bench-$name.json" "$@"
    results+=("build/bench-$name.json")
done

{
    echo "["
    first=1
    for file in "${results[@]}"; do
        [ $first -eq 1 ] || echo ","
        cat "$file"
        first=0
    done
    echo "]"
} > build/bench-results.json
echo "bench: wrote build/bench-results.json"

# The field-file reader's speed, x86-64 build: it writes its large files once
# into build/linux/field-bench and reads them from there.
field_bench=build/linux/bin/min_lumo_field_bench
if [ -x "$field_bench" ]; then
    echo "== field files (x86-64)"
    "$field_bench" --json build/bench-field.json
    echo "bench: wrote build/bench-field.json"
fi
