#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build (the `fuzz` preset).
#
#   bash scripts/fuzz.sh short [BUILD_FOLDER]   30 s per target (make test-fuzz)
#   bash scripts/fuzz.sh long  [BUILD_FOLDER]   MIN_LUMO_FUZZ_SECONDS per target,
#                                               default 1800 (make fuzz)
#
# Each target works on its own corpus under BUILD_FOLDER/fuzz-work, seeded
# from fuzz/corpus and kept between runs; nothing is written into the source
# tree.  A crash leaves its input under BUILD_FOLDER/fuzz-work/artifacts and
# ends the script with status 1; reproduce it without libFuzzer with
#   BUILD_FOLDER/bin/fuzz_TARGET_replay ARTIFACT
set -euo pipefail

mode=${1:?usage: $0 short|long [BUILD_FOLDER]}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${2:-$root/build/fuzz}
case "$mode" in
  short) seconds=30 ;;
  long)  seconds=${MIN_LUMO_FUZZ_SECONDS:-1800} ;;
  *) echo "fuzz: unknown mode $mode (short or long)" >&2; exit 2 ;;
esac

work="$build/fuzz-work"
status=0
for target in library project_loader field_files campaign_forming standard_profile vector_files processing_inputs; do
  program="$build/bin/fuzz_$target"
  if [ ! -x "$program" ]; then
    echo "fuzz: $program is missing; build the fuzz preset first" >&2
    exit 2
  fi
  corpus="$work/corpus/$target"
  artifacts="$work/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp -n "$root/fuzz/corpus/$target/"* "$corpus/"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/")
  dictionary="$root/fuzz/$target.dict"
  [ -f "$dictionary" ] && options+=(-dict="$dictionary")
  [ "$target" = library ] && options+=(-max_len=4096)
  echo "== fuzz_$target: $seconds s, corpus $(ls "$corpus" | wc -l) inputs"
  log="$work/fuzz_$target.log"
  # libFuzzer writes nothing but its corpus and artifacts; run it inside the
  # work folder all the same, so that no stray file lands elsewhere.
  if (cd "$work" && "$program" "${options[@]}" "$corpus" >"$log" 2>&1); then
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$log" | sed 's/^/   /'
    echo "   no crash; corpus now $(ls "$corpus" | wc -l) inputs"
  else
    status=1
    tail -n 60 "$log" >&2
    echo "fuzz: fuzz_$target found a failure; inputs in $artifacts, log in $log" >&2
    echo "fuzz: reproduce with $build/bin/fuzz_${target}_replay $artifacts/<crash-file>" >&2
  fi
done
exit $status
