#!/usr/bin/env bash
# The tool on the sample campaign: minimise with the reasons for every
# decision, then orient the minimised project, leaving the drawings and the
# GeoJSON in the build folder.
#
#   bash scripts/demo.sh BUILD_FOLDER      (make demo passes build/linux)
set -euo pipefail

build=${1:?usage: $0 BUILD_FOLDER}
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/bin/min_lumo"
sample="$root/examples/sample_campaign.json"
out="$build/demo"

if [ ! -x "$tool" ]; then
  echo "demo: $tool is missing; build first (make build-linux)" >&2
  exit 2
fi
mkdir -p "$out"

echo "== min_lumo minimise --explain $(basename "$sample")"
"$tool" minimise --explain "$sample" \
  --output "$out/sample_minimised.json" \
  --svg "$out/sample_minimised.svg" --geojson "$out/sample_minimised.geojson"

echo
echo "== min_lumo orient (the minimised project)"
"$tool" orient "$out/sample_minimised.json" \
  --output "$out/sample_oriented.json" \
  --svg "$out/sample_oriented.svg" --geojson "$out/sample_oriented.geojson"

echo
echo "demo: written to $out:"
for file in sample_minimised.json sample_minimised.svg sample_minimised.geojson \
            sample_oriented.json sample_oriented.svg sample_oriented.geojson; do
  echo "  $out/$file"
done
