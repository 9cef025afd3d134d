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

# The adjustment, x86-64 build: generated networks of 1,000, 10,000 and
# 30,000 stations with about three vectors each; time (median of 3) and peak
# memory, each size in a process of its own.
adjust_bench=build/linux/bin/min_lumo_adjust_bench
if [ -x "$adjust_bench" ]; then
    echo "== adjustment (x86-64)"
    sizes=()
    for stations in 1000 10000 30000; do
        "$adjust_bench" --stations "$stations" --runs 3 --json "build/bench-adjust-$stations.json"
        sizes+=("build/bench-adjust-$stations.json")
    done
    { echo "["; paste -sd, "${sizes[@]}"; echo "]"; } > build/bench-adjust.json
    echo "bench: wrote build/bench-adjust.json"
fi

# Planning a field campaign end to end, x86-64 build, against reading its
# files: 1,000 RINEX files (300 stations, 5 days of 4 sessions with 50
# receivers, about 100 MB) and 10,000 (3,000 stations, 50 days; about 1 GB)
# read, formed into a project, run through the library and reported.  The
# plan's processor time is set against a plain read of the same files in
# the same run (each file opened and read to its end through one reused
# buffer), in turns; the target is at most 2x, with the plan's peak memory.
# The files are written once into build/linux/plan-bench-N and kept.
tool=build/linux/bin/min_lumo
if [ -x "$tool" ] && [ -x "$field_bench" ] && "$tool" generate --help 2>/dev/null | grep rinex >/dev/null; then
    for shape in "1000 300 5 5" "10000 3000 50 3"; do
        read -r count stations days runs <<<"$shape"
        campaign=build/linux/plan-bench-$count
        if [ ! -f "$campaign/complete" ]; then
            rm -rf "$campaign"
            "$tool" generate rinex --stations "$stations" --days "$days" --sessions 4 --receivers 50 --seed 1 \
                --output-dir "$campaign/files"
            touch "$campaign/complete"
        fi
        echo "== plan of $count RINEX files against reading them (x86-64)"
        "$field_bench" --plan "$tool" --campaign "$campaign/files" --runs "$runs" --json "build/bench-plan-$count.json"
        echo "bench: wrote build/bench-plan-$count.json"
    done

    # The HTML report of 1,000 RINEX files (100 stations, 25 days of 4
    # sessions with 10 receivers: 4,500 observations): its size, and the
    # time until it is drawn and answers in headless Chromium
    # (tests/browser, whose playwright-core `npm ci --prefix tests/browser`
    # installs).
    campaign=build/linux/plan-bench
    if [ ! -f "$campaign/complete" ]; then
        rm -rf "$campaign"
        "$tool" generate rinex --stations 100 --days 25 --sessions 4 --receivers 10 --seed 1 --output-dir "$campaign"
        touch "$campaign/complete"
    fi
    files=("$campaign"/*.rnx)
    first=$(basename "${files[0]}")
    if command -v node >/dev/null && [ -d tests/browser/node_modules/playwright-core ]; then
        echo "== HTML report of 1,000 RINEX files (headless Chromium)"
        # Checked against the basic profile, as a crew would: the checks and the field list are in it too.
        "$tool" plan "${files[@]}" --control "${first:0:4}" --standard --html build/plan-bench-report.html >/dev/null 2>&1
        node tests/browser/bench_report.mjs build/plan-bench-report.html build/bench-report.json
        echo "bench: wrote build/bench-report.json"
    else
        echo "bench: no node or playwright-core (npm ci --prefix tests/browser): the HTML report is not measured" >&2
    fi
fi
