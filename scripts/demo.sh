#!/usr/bin/env bash
# The tool on the sample campaign: minimise with the reasons for every
# decision, then orient the minimised project; then a generated field
# campaign with a day of field faults, a folder of RINEX files, from the
# files to a processing plan.
# Last, a small real campaign processed: the plan carried out by RTKLIB's
# rnx2rtkp (the generated files have no carrier phase to process).
# The drawings, the GeoJSON, the plan and the processed network are left in
# the build folder.
#
#   bash scripts/demo.sh BUILD_FOLDER      (make demo passes build/demo)
set -euo pipefail

build=${1:?usage: $0 BUILD_FOLDER}
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/bin/min_lumo"
sample="$root/examples/sample_campaign.json"
out="$build/output"

if [ ! -x "$tool" ]; then
  echo "demo: $tool is missing; build first (make build-demo)" >&2
  exit 2
fi
mkdir -p "$out"

echo "== min_lumo minimise --explain $(basename "$sample")"
"$tool" minimise --explain "$sample" \
  --output "$out/sample_minimised.json" \
  --svg "$out/sample_minimised.svg" --geojson "$out/sample_minimised_geojson"

echo
echo "== min_lumo orient (the minimised project)"
"$tool" orient "$out/sample_minimised.json" \
  --output "$out/sample_oriented.json" \
  --svg "$out/sample_oriented.svg" --geojson "$out/sample_oriented_geojson"

written=(sample_minimised.json sample_minimised.svg sample_minimised_geojson/
         sample_oriented.json sample_oriented.svg sample_oriented_geojson/)

# The surveyor's way in, from a folder of RINEX files to a plan (a tool
# built without the field-file reader skips it).
if "$tool" generate --help 2>/dev/null | grep rinex >/dev/null; then
  campaign="$out/rinex_campaign"
  rm -rf "$campaign"
  echo
  echo "== min_lumo generate rinex --field-faults: a field campaign of RINEX files, with a day of field faults"
  # The last day holds what real field data show: a gap, a restarted
  # receiver, hourly files of reference station REF1, a duplicate copy,
  # three rovers left on the default marker name SITE, two names for one point.
  "$tool" generate rinex --stations 10 --days 1 --sessions 3 --receivers 5 --seed 7 --field-faults \
    --output-dir "$campaign"
  echo
  echo "== min_lumo plan rinex_campaign --control A000 --control REF1 --standard basic"
  # Checked against the basic survey standard: the Checks section and the
  # field list of what to observe again end the report.
  # A000 holds the first days, REF1 the day of field faults.
  "$tool" plan "$campaign" --control A000 --control REF1 --standard basic --checks-csv "$out/campaign_checks.csv" \
    --output "$out/campaign_project.json" --csv "$out/campaign_plan.csv" \
    --occupations-csv "$out/campaign_occupations.csv" --svg "$out/campaign_plan.svg" \
    --geojson "$out/campaign_plan_geojson" --html "$out/campaign_plan.html" | tee "$out/campaign_plan.txt"
  "$tool" plan "$campaign" --control A000 --control REF1 --json >"$out/campaign_plan.json" 2>/dev/null
  written+=(campaign_plan.txt campaign_plan.json campaign_plan.csv campaign_occupations.csv campaign_checks.csv
            campaign_plan.svg campaign_plan_geojson/ campaign_plan.html campaign_project.json)
fi

# The plan carried out: four real stations of one morning, processed by
# rnx2rtkp level by level from the control (a tool built without the field
# files, or a machine without rnx2rtkp, skips it).
if "$tool" process --help >/dev/null 2>&1 && command -v rnx2rtkp >/dev/null; then
  real="$root/tool/process/tests/data/catalonia2010"
  echo
  echo "== min_lumo process catalonia2010 --control GARRAF: a real campaign processed with rnx2rtkp"
  "$tool" process "$real" --control GARRAF --html "$out/processed.html" \
    --keep-engine-files "$out/processed_engine_files" | tee "$out/processed.txt"
  "$tool" process "$real" --control GARRAF --json >"$out/processed.json" 2>/dev/null
  written+=(processed.txt processed.json processed.html processed_engine_files/)
fi

echo
echo "demo: written to $out:"
for file in "${written[@]}"; do
  echo "  $out/$file"
done
if [ -f "$out/campaign_plan.html" ]; then
  echo
  echo "demo: open the HTML report (verdict, map, timeline, checks, what to observe again, tables) in a browser:"
  echo "  $out/campaign_plan.html"
fi
if [ -f "$out/processed.html" ]; then
  echo "demo: and the processed network (vectors, loops, suspects): $out/processed.html"
fi
