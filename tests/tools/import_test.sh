#!/usr/bin/env bash
# zkcp-export with models of other formats as geometry (tests/data/import):
# both output forms carry the parts named after the models' nodes, the
# converted VRML 97 reads back with Coin (as geometry of a second world) and
# with tovrmlx3d, and a malformed model stops the export with exit 1 and
# nothing written.
# Usage: import_test.sh EXPORT_PROGRAM MODELS_DIR
set -uo pipefail

export_program=$1
models=$2
source "$(dirname "$0")/checks.sh"

out="$work/vrml"
"$export_program" "$models/models.json" --out "$out" >"$work/vrml.log" 2>&1 ||
  fail "vrml97: $(cat "$work/vrml.log")"
for f in lamp.gltf.wrl lamp.glb.wrl chair.obj.wrl chair.dae.wrl chair.fbx.wrl part.stl.wrl \
    stool.ply.wrl checker.png lamp_glb_checker.png wood.png; do
  [[ -f "$out/geometry/$f" ]] || fail "vrml97: geometry/$f not written"
done
cmp -s "$out/geometry/lamp_glb_checker.png" "$models/checker.png" ||
  fail "vrml97: the image held in lamp.glb is not written as it was"
grep -qF 'geometry "../geometry/lamp.glb.wrl"' "$out/world/PackedLamp_cmp.wrl" ||
  fail "vrml97: the lamp's prototype does not name lamp.glb.wrl"
grep -q "chair.obj: node 'chair.obj' is named 'chair_obj'" "$work/vrml.log" ||
  fail "vrml97: the renamed node is not said: $(cat "$work/vrml.log")"
for text in "DEF Lamp Transform" "DEF Shade_1 Transform" "DEF Arm_1 Transform" \
    'texture ImageTexture { url "lamp_glb_checker.png" }'; do
  grep -qF "$text" "$out/geometry/lamp.glb.wrl" || fail "vrml97: lamp.glb.wrl lacks '$text'"
done
if command -v tovrmlx3d >/dev/null; then
  for f in "$out"/geometry/*.wrl; do
    tovrmlx3d "$f" >/dev/null 2>"$work/tovrmlx3d.log" || fail "tovrmlx3d cannot read $f"
    [[ -s "$work/tovrmlx3d.log" ]] && fail "tovrmlx3d warns on $f: $(cat "$work/tovrmlx3d.log")"
  done
fi

# The converted files as the geometry of a world of their own: Coin reads
# them and makes the same parts.
sed -e 's/"geometry": "\([a-z]*\)\.\([a-z]*\)"/"geometry": "geometry\/\1.\2.wrl"/' \
  "$models/models.json" >"$out/again.json"
"$export_program" "$out/again.json" --out "$work/again" >"$work/again.log" 2>&1 ||
  fail "read back: $(cat "$work/again.log")"
first=$(grep -o '[0-9]* parts' "$work/vrml.log")
[[ -n "$first" ]] && grep -q "$first" "$work/again.log" ||
  fail "read back: not $first: $(cat "$work/again.log")"

out="$work/x3d"
"$export_program" "$models/models.json" --format x3d --out "$out" >"$work/x3d.log" 2>&1 ||
  fail "x3d: $(cat "$work/x3d.log")"
for f in checker.png lamp_glb_checker.png wood.png; do
  [[ -f "$out/textures/$f" ]] || fail "x3d: textures/$f not written"
done
for part in lamp2_Shade_1 chair1_Seat chair2_Back chair3_Seat wedge1_wedge stool1; do
  grep -qF "DEF=\"$part\"" "$out/world.x3d" || fail "x3d: no part $part"
done

# glTF output takes in the images, also those held in the models.
"$export_program" "$models/models.json" --format gltf --out "$work/gltf" >"$work/gltf.log" 2>&1 ||
  fail "gltf: $(cat "$work/gltf.log")"
[[ -f "$work/gltf/world.glb" && ! -e "$work/gltf/.held-images" ]] ||
  fail "gltf: $(ls -A "$work/gltf")"
[[ $(grep -ao 'image/png' "$work/gltf/world.glb" | wc -l) == 3 ]] && grep -aq 'Shade_1' "$work/gltf/world.glb" ||
  fail "gltf: world.glb lacks the three images or the parts"

# The lamps' lights and cameras, and the lights of the COLLADA and FBX chairs.
[[ $(grep -c 'PointLight {' "$work/vrml/world/world.wrl") == 4 ]] &&
  grep -qF 'DEF lamp2_View Viewpoint' "$work/vrml/world/world.wrl" ||
  fail "vrml97: the models' lights or cameras are missing"
for id in lamp2_View Lamp2_arm_1 Chair3_light; do
  grep -qF "DEF=\"$id\"" "$work/x3d/world.x3d" || fail "x3d: no $id"
done
grep -aq 'Lamp2_arm_1' "$work/gltf/world.glb" && grep -aq 'lamp2_View' "$work/gltf/world.glb" ||
  fail "gltf: the models' lights or cameras are missing"

# Two models in different folders naming tex/wood.png, each its own image.
twin="$work/twin"
for m in a b; do
  mkdir -p "$twin/$m/tex"
  sed 's/chair\.mtl/seat.mtl/' "$models/chair.obj" >"$twin/$m/seat_$m.obj"
  sed 's/map_Kd wood/map_Kd tex\/wood/' "$models/chair.mtl" >"$twin/$m/seat.mtl"
done
cp "$models/wood.png" "$twin/a/tex/wood.png"
cp "$models/checker.png" "$twin/b/tex/wood.png"
printf '{ "components": [ %s, %s ] }' \
  '{ "instance": "a", "component": "A", "geometry": "a/seat_a.obj" }' \
  '{ "instance": "b", "component": "B", "geometry": "b/seat_b.obj" }' >"$twin/world.json"
"$export_program" "$twin/world.json" --out "$twin/vrml" >"$twin/log" 2>&1 &&
  "$export_program" "$twin/world.json" --format x3d --out "$twin/x3d" >>"$twin/log" 2>&1 ||
  fail "twin images: $(cat "$twin/log")"
cmp -s "$twin/vrml/geometry/tex/wood.png" "$models/wood.png" &&
  cmp -s "$twin/vrml/geometry/tex/wood_2.png" "$models/checker.png" &&
  grep -qF 'url "tex/wood_2.png"' "$twin/vrml/geometry/seat_b.obj.wrl" ||
  fail "vrml97: the second tex/wood.png is not written apart"
cmp -s "$twin/x3d/textures/wood.png" "$models/wood.png" &&
  cmp -s "$twin/x3d/textures/wood_2.png" "$models/checker.png" ||
  fail "x3d: the second tex/wood.png is not written apart"

# What an Inline reads stands in its place in the X3D scene.
printf '{ "components": [ { "instance": "a", "component": "A", "geometry": "%s" } ] }' \
  "$models/../lenient/top.wrl" >"$work/inline.json"
"$export_program" "$work/inline.json" --format x3d --out "$work/inline" >"$work/inline.log" 2>&1 &&
  grep -q '<Sphere' "$work/inline/world.x3d" || fail "x3d: no inlined sphere: $(cat "$work/inline.log")"

# Malformed models: exit 1, the model and the reason, nothing written.
bad() {  # file name, bytes (printf format), expected text
  local dir="$work/bad-$1"
  mkdir -p "$dir"
  printf "$2" >"$dir/$1"
  printf '{ "components": [ { "instance": "a", "component": "A", "geometry": "%s" } ] }' "$1" \
    >"$dir/world.json"
  "$export_program" "$dir/world.json" --out "$dir/out" >"$dir/log" 2>&1
  local status=$?
  ((status == 1)) || fail "$1: exit $status, not 1"
  grep -qF "components[0].geometry: $dir/$1: $3" "$dir/log" || fail "$1: $(cat "$dir/log")"
  [[ -e "$dir/out" ]] && fail "$1: output written"
}
bad empty.glb "" "the file is empty"
bad cut.glb 'glTF\002\000\000\000\377\000\000\000' "cut short: the header gives 255 bytes, the file has 12"
bad faces.obj 'v 0 0 0\nv 1 0 0\nf 1 2 9\n' "OBJ: vertex index out of range"
bad picture.fbx '\211PNG\r\n' "not FBX (binary or text) as its extension says"
bad nobuffer.gltf '{"asset":{"version":"2.0"},"buffers":[{"uri":"gone.bin","byteLength":4}]}' "File not found : gone.bin"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all import checks passed"
