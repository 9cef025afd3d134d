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

# Processing, x86-64 build: 200 generated baselines processed with the
# stand-in engine (tool/process/tests/standin_engine.cpp), each run burning
# 0.05 s of processor time as an engine would (rnx2rtkp takes 0.14 to 0.39 s
# on an hour of 30 s data): the tool's own processor time (planning,
# options, solutions, checks) against the engine runs', and the largest
# level's wall-clock time with 1 and with 2 runs at once.  Medians of 3.
standin=build/linux/bin/min_lumo_standin_engine
if [ -x "$tool" ] && [ -x "$standin" ] && "$tool" process --help >/dev/null 2>&1; then
    echo "== process of 200 baselines with the stand-in engine (x86-64)"
    campaign=build/linux/process-bench
    if [ ! -f "$campaign/complete" ]; then
        rm -rf "$campaign"
        "$tool" generate rinex --stations 80 --days 10 --sessions 4 --receivers 5 --seed 5 --output-dir "$campaign/files"
        # Broadcast records every 6 hours over the campaign's days: the
        # stand-in reads no orbit, the tool only asks that each session has some.
        first=$(grep -h "TIME OF FIRST OBS" "$campaign"/files/*.rnx | sort | head -1 | awk '{printf "%04d-%02d-%02d", $1, $2, $3}')
        last=$(grep -h "TIME OF FIRST OBS" "$campaign"/files/*.rnx | sort | tail -1 | awk '{printf "%04d-%02d-%02d", $1, $2, $3}')
        {
            printf '%9s%11s%-20s%-20s%-20s\n' "2.10" "" "N: GPS NAV DATA" "" "RINEX VERSION / TYPE"
            printf '%60s%-20s\n' "" "END OF HEADER"
            day="$first"
            while [[ "$day" < "$(date -d "$last + 2 days" +%F)" ]]; do
                for hour in 0 6 12 18; do
                    printf '%2d %s %2d %2d %4.1f\n' 1 "$(date -d "$day" '+%y %_m %_d')" "$hour" 0 0
                done
                day=$(date -d "$day + 1 day" +%F)
            done
        } > "$campaign/bench.nav"
        printf 'busy 0.05\n' > "$campaign/script.txt"
        printf 'standin-script = %s\n' "$(cd "$campaign" && pwd)/script.txt" > "$campaign/standin.conf"
        touch "$campaign/complete"
    fi
    measure() {  # jobs -> "tool engine largest-wave-seconds runs-in-it"
        "$tool" process "$campaign/files" "$campaign/bench.nav" --control A000 --engine "$standin" \
            --engine-options "$campaign/standin.conf" --jobs "$1" --json 2>/dev/null >build/process-bench-report.json || true
        tr -d '\n ' <build/process-bench-report.json |
            sed -n 's/.*"timing":{"toolProcessorSeconds":\([^,]*\),"engineProcessorSeconds":\([^,]*\),.*"waves":\[\(.*\)\]}.*/\1 \2 \3/p' |
            awk '{ n = split($3, w, "},{"); best = 0; runs = 0
                   for (i = 1; i <= n; ++i) { gsub(/[{}]/, "", w[i]); split(w[i], f, /[:,]/)
                     if (f[4] + 0 > runs) { runs = f[4] + 0; best = f[6] + 0 } }
                   print $1, $2, best, runs }'
    }
    median() { sort -n | sed -n 2p; }
    one=(); two=()
    for run in 1 2 3; do one+=("$(measure 1)"); two+=("$(measure 2)"); done
    vectors=$(grep -o '"solution": *"[a-z]*"' build/process-bench-report.json | wc -l)
    tool_seconds=$(printf '%s\n' "${one[@]}" | awk '{print $1}' | median)
    engine_seconds=$(printf '%s\n' "${one[@]}" | awk '{print $2}' | median)
    wave_one=$(printf '%s\n' "${one[@]}" | awk '{print $3}' | median)
    wave_two=$(printf '%s\n' "${two[@]}" | awk '{print $3}' | median)
    wave_runs=$(printf '%s\n' "${one[@]}" | awk '{print $4}' | median)
    share=$(awk "BEGIN {printf \"%.2f\", 100 * $tool_seconds / $engine_seconds}")
    speedup=$(awk "BEGIN {printf \"%.2f\", $wave_one / $wave_two}")
    printf 'process: tool %.2f s of processor time against the engine'"'"'s %.2f s: %s %% (at most 5 %%)\n' \
        "$tool_seconds" "$engine_seconds" "$share"
    printf 'process: the largest level (%d baselines) in %.2f s with 1 run at once, %.2f s with 2: %s times faster (at least 1.7)\n' \
        "$wave_runs" "$wave_one" "$wave_two" "$speedup"
    printf '{"toolProcessorSeconds": %s, "engineProcessorSeconds": %s, "toolShare": %s, "levelBaselines": %s, "levelSecondsOneJob": %s, "levelSecondsTwoJobs": %s, "speedUp": %s}\n' \
        "$tool_seconds" "$engine_seconds" "$(awk "BEGIN {print $share / 100}")" "$wave_runs" "$wave_one" "$wave_two" "$speedup" \
        > build/bench-process.json
    echo "bench: wrote build/bench-process.json ($vectors vectors processed)"
fi
