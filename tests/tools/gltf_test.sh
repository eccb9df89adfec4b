#!/usr/bin/env bash
# The glTF export in real clients. The Khronos validator reads world.glb of
# the sample room (with its recorded door), of a generated world of 1,000
# components and of a world made from each geometry test model: no error
# and no warning allowed. In headless chromium, three.js shows the sample
# room and the generated world (web/check.mjs --gltf): components at their
# places, the desk light under the lamp's bulb, the recorded swing turning
# door1's leaf by 90 degrees, the picture like Coin's.
# Usage: gltf_test.sh EXPORT_PROGRAM SOURCE_DIR MODULES_DIR
# Exit 77 (skipped) when node or chromium is not installed; under CI
# (CI=true) that fails instead.
set -uo pipefail

export_program=$1
source_dir=$2
modules=$3
web="$source_dir/web"
source "$(dirname "$0")/checks.sh"

if ! command -v node >/dev/null 2>&1; then
  skip "node is not installed (make deps installs it): the glTF checks"
  finish ""
fi
if [[ ! -d "$web/node_modules/gltf-validator" || ! -d "$web/node_modules/three" ]]; then
  (cd "$web" && npm ci --no-audit --no-fund >/dev/null) || { fail "npm ci in $web"; finish ""; }
fi
browser=1
command -v chromium >/dev/null 2>&1 ||
  { browser=0; skip "chromium is not installed (make deps installs it): the three.js checks"; }
glbs=()

export_world() {  # name, description, extra export arguments...
  local name=$1 description=$2
  shift 2
  if ! "$export_program" "$description" --format gltf --modules "$modules" --out "$work/$name" \
      "$@" >"$work/$name.log" 2>&1; then
    fail "$name: export: $(cat "$work/$name.log")"
    return 1
  fi
  [[ -f "$work/$name/world.glb" ]] || { fail "$name: no world.glb"; return 1; }
  glbs+=("$work/$name/world.glb")
}

if export_world sample "$source_dir/examples/world/world.json" --steps 10 --record 10:0.2 \
    --snapshot "$work/sample.png"; then
  grep -q "recorded: .*door1\.swing by route openOnApproach: 1 channel" "$work/sample.log" ||
    fail "the summary line does not name the door's animation: $(cat "$work/sample.log")"
  ((browser)) && { node "$web/check.mjs" --dir "$work/sample" --world "$source_dir/examples/world/world.json" \
    --gltf yes --turn door1/Leaf:90 --reference "$work/sample.png" || fail "sample: in three.js"; }
fi
if ! python3 "$source_dir/bench/make_world.py" 1000 "$work/grid-description" >"$work/grid.log" 2>&1; then
  fail "the 1,000-component world could not be generated: $(cat "$work/grid.log")"
elif export_world grid "$work/grid-description/world.json" --snapshot "$work/grid.png"; then
  ((browser)) && { node "$web/check.mjs" --dir "$work/grid" --world "$work/grid-description/world.json" \
    --gltf yes --reference "$work/grid.png" || fail "grid: in three.js"; }
fi

# Each geometry test model as the one component of a world; the models
# that include themselves are refused on purpose.
for model in "$source_dir"/tests/data/*.{iv,wrl} "$source_dir"/tests/data/gltf/*.{iv,wrl} \
    "$source_dir"/examples/geometry/*.wrl; do
  case $(basename "$model") in cycle_*|recurse_*) continue ;; esac
  name=model-$(basename "$(dirname "$model")")-$(basename "$model")
  mkdir -p "$work/$name-description"
  printf '{ "name": "%s", "version": "1", "components": [ { "instance": "model", "component": "Model", "geometry": "%s" } ] }\n' \
    "$name" "$model" >"$work/$name-description/world.json"
  export_world "$name" "$work/$name-description/world.json"
done

node "$web/validate.mjs" "${glbs[@]}" || fail "the validator finds errors or warnings"

finish "all glTF checks passed"
