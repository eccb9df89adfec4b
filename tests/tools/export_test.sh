#!/usr/bin/env bash
# End-to-end checks of zkcp-export: the sample world, bad input and bad
# usage, and a large generated world.
# Usage: export_test.sh EXPORT_PROGRAM SAMPLE_WORLD_DIR MODULES_DIR
set -uo pipefail

export_program=$1
sample=$2
modules=$3
source "$(dirname "$0")/checks.sh"

# --- The sample world, end to end ------------------------------------------
out="$work/sample"
if ! "$export_program" "$sample/world.json" --steps 10 --out "$out" --modules "$modules" \
    >"$work/sample.log" 2>&1; then
  fail "sample world: $(cat "$work/sample.log")"
fi
for f in world/world.wrl world/zkextensions.wrl world/Door_cmp.wrl world/doors.wrl \
    geometry/door.wrl; do
  [[ -f "$out/$f" ]] || fail "sample world: $f not written"
done
for text in "DEF mainTimer TimeSensor" "PointLight {" "DEF entrance Viewpoint {" \
    "DEF nearDoor ProximitySensor {" "DEF tour ZKNavigationPath {" \
    "ROUTE nearDoor.isActive TO door1.set_swingActive #0 openOnApproach"; do
  grep -qF "$text" "$out/world/world.wrl" || fail "world.wrl lacks '$text'"
done
# The lamp's light follows its bulb: the lamp stands at (1.4, 0.775, -1.4).
grep -q "location		1.4        1.195      -1.4" "$out/world/world.wrl" ||
  fail "the desk light is not at the lamp's bulb"
grep -q "^[0-9]* components, [0-9]* parts, .* bytes written in .*, [0-9.]* s$" "$work/sample.log" ||
  fail "no summary line: $(cat "$work/sample.log")"
# Every file the written text names is there.
for file in "$out"/world/*.wrl; do
  while read -r named; do
    [[ -f "$out/world/$named" ]] || fail "$(basename "$file") names $named, which is missing"
  done < <(grep -o '"[A-Za-z0-9_./-]*\.wrl#' "$file" | tr -d '"#')
  while read -r named; do
    [[ -f "$out/world/$named" ]] || fail "$(basename "$file") names $named, which is missing"
  done < <(grep -o '"\.\./geometry/[^"]*"' "$file" | tr -d '"')
done
# A VRML browser reads every file with no warnings but those the fixed
# templates cause: the external prototypes declare timer fields that the
# prototypes do not have, and the prototypes carry attributes as plain fields
# and no component sensor, so the sample's routes from the lamp's touch
# sensor and its "on" attribute (to the desk light, which the world writes
# without a name) have no ends in the legacy form.
legacy_routes='Route source field/event name "(isActive|on_changed)" \(for node "lamp1", type "Lamp"\) not found|Route destination node name "Desk" not found|Cannot save VRML route: source node not assigned'
if command -v tovrmlx3d >/dev/null 2>&1; then
  for file in "$out"/world/*.wrl; do
    (cd "$out/world" && tovrmlx3d "$(basename "$file")" >/dev/null 2>"$work/warnings") ||
      fail "tovrmlx3d failed on $(basename "$file")"
    if grep -v -E "referenced by external prototype \"[A-Za-z0-9_]+\" doesn.t have field \"[A-Za-z0-9_]*[tT]imer\"|$legacy_routes" \
        "$work/warnings" | grep -q .; then
      fail "tovrmlx3d warns about $(basename "$file"): $(cat "$work/warnings")"
    fi
  done
  # With timers the instances name "timer" and "<behaviour>Timer" fields
  # that the VRML 97 prototype template does not declare: the reader stops
  # at the first one. That message is the only other one allowed.
  "$export_program" "$sample/world.json" --timers --out "$work/timers" --modules "$modules" -q \
    >/dev/null 2>&1 || fail "export with timers failed"
  (cd "$work/timers/world" && tovrmlx3d world.wrl >/dev/null 2>"$work/warnings")
  if grep -v -E "referenced by external prototype \"[A-Za-z0-9_]+\" doesn.t have field \"[A-Za-z0-9_]*[tT]imer\"|inside \"[A-Za-z0-9_]+\": got \"timer\"|$legacy_routes" \
      "$work/warnings" | grep -q .; then
    fail "tovrmlx3d on the timed world: $(cat "$work/warnings")"
  fi
  grep -q "USE    mainTimer" "$work/timers/world/world.wrl" || fail "--timers wrote no timers"
else
  skip "tovrmlx3d is not installed (Debian package view3dscene): the VRML files in a browser"
fi
"$export_program" "$sample/world.json" --native --out "$work/native" --modules "$modules" -q \
  >/dev/null 2>&1 || fail "native export failed"
[[ -f "$work/native/world/world.arl" && -f "$work/native/world/Door.arl" ]] ||
  fail "native export: .arl files missing"

# --- Geometry read once per file ---------------------------------------------
# Two doors from one file give what two doors from two copies of it give.
shared="$work/shared"
mkdir -p "$shared"
cp -r "$sample/geometry" "$shared/"
cp "$shared/geometry/door.wrl" "$shared/geometry/door2.wrl"
for second in door door2; do
  echo "{\"components\": [{\"instance\": \"a\", \"component\": \"Door\",
    \"geometry\": \"geometry/door.wrl\"}, {\"instance\": \"b\", \"component\": \"Door\",
    \"geometry\": \"geometry/$second.wrl\", \"translation\": [2, 0, 0]}]}" >"$shared/$second.json"
  "$export_program" "$shared/$second.json" --out "$shared/$second" -q >/dev/null 2>&1 ||
    fail "two doors from $second.wrl: export failed"
done
diff -r -x door2.wrl "$shared/door" "$shared/door2" >/dev/null ||
  fail "two doors from one geometry file differ from two doors read separately"

# --- Bad input: exit 1, a message naming file, path and reason, DIR kept -----
bad="$work/bad"
mkdir -p "$bad"
cp -r "$sample/geometry" "$bad/"
kept="$work/kept"
# A quiet run prints nothing, not even the library's module lines.
"$export_program" "$sample/world.json" --out "$kept" --modules "$modules" -q >"$work/quiet.txt" 2>&1
[[ -s "$work/quiet.txt" ]] && fail "a quiet run printed: $(cat "$work/quiet.txt")"
before=$(cd "$kept" && find . -type f -exec md5sum {} + | sort)

component() {  # the JSON of one component with extra members $1
  echo "{\"instance\": \"a\", \"component\": \"A\", \"geometry\": \"geometry/door.wrl\"$1}"
}
check_bad() {  # name, JSON text, expected message
  local name=$1 text=$2 expected=$3
  printf '%s\n' "$text" >"$bad/$name.json"
  "$export_program" "$bad/$name.json" --out "$kept" --modules "$modules" -q \
    >"$work/out.txt" 2>"$work/err.txt"
  local rc=$?
  [[ $rc == 1 ]] || fail "$name: exit code $rc, expected 1"
  grep -qF -- "$name.json: $expected" "$work/err.txt" ||
    fail "$name: message '$(cat "$work/err.txt")' lacks '$name.json: $expected'"
  local after
  after=$(cd "$kept" && find . -type f -exec md5sum {} + | sort)
  [[ "$after" == "$before" ]] || fail "$name: the output folder changed"
}

check_bad malformed '{"components": [ {"instance": "a",, } ] }' \
  "malformed JSON at line 1, column 35"
check_bad number_overflow '{"name": 1e99999}' "malformed JSON: number overflow parsing '1e99999'"
check_bad missing_field '{"components": [ {"instance": "a", "component": "A"} ]}' \
  "components[0]: missing field 'geometry'"
check_bad wrong_type "{\"components\": [ $(component ', "translation": [1, "x", 3]') ]}" \
  "components[0].translation[1]: expected a number"
check_bad unreadable '{"components": [ {"instance": "a", "component": "A", "geometry": "x.wrl"} ]}' \
  "components[0].geometry: cannot read 'x.wrl'"
check_bad unknown_kind \
  "{\"components\": [ $(component ', "attributes": [{"name": "n", "kind": "int", "value": 1}]') ]}" \
  "components[0].attributes[0].kind: unknown attribute kind 'int'"
check_bad unknown_sensor \
  "{\"components\": [ $(component ', "sensor": {"kind": "smell"}') ]}" \
  "components[0].sensor.kind: unknown sensor kind 'smell'"
check_bad unknown_rule "{\"components\": [ $(component ', "behaviors": [
    {"name": "s", "module": "doors", "function": "door_swing"},
    {"name": "t", "module": "doors", "function": "door_open"}],
  "rules": [{"source": "s", "target": "t", "type": "follows"}]') ]}" \
  "components[0].rules[0].type: unknown rule type 'follows'"
check_bad missing_module \
  "{\"components\": [ $(component ', "behaviors": [{"name": "s", "module": "nosuch", "function": "f"}]') ]}" \
  "components[0].behaviors[0].module: cannot load module 'nosuch': no nosuch.dll in"
check_bad missing_rule_target "{\"components\": [ $(component ', "behaviors": [
    {"name": "s", "module": "doors", "function": "door_swing"}],
  "rules": [{"source": "s", "target": "t", "type": "triggers"}]') ]}" \
  "components[0].rules[0].target: no behaviour 't' on component 'a'"
check_bad bad_route "{\"components\": [ $(component '') ], \"routes\": [{\"name\": \"r\",
  \"from\": {\"name\": \"a\", \"event\": \"isActive\"}, \"to\": {\"name\": \"ghost\", \"event\": \"on\"}}]}" \
  "routes[0].to.name: no component, light or proximity sensor 'ghost'"
check_bad bad_attachment "{\"components\": [ $(component '') ], \"lights\": [{\"name\": \"l\",
  \"kind\": \"point\", \"attach\": {\"component\": \"a\", \"part\": \"Nothing\"}}]}" \
  "lights[0].attach.part: component 'a' has no part 'Nothing'"
check_bad duplicate "{\"components\": [ $(component ''), $(component '') ]}" \
  "components[1].instance: duplicate component name 'a'"

# A name the written text cannot carry, here a file name that leaves DIR
# (the world reader's tests go through every such refusal).
check_bad name_type_path \
  '{"components": [{"instance": "a", "component": "../../evil", "geometry": "geometry/door.wrl"}]}' \
  "components[0].component: name '../../evil' cannot be written: holds '.'"
[[ -z "$(find "$work" -name 'evil*')" ]] || fail "a refused name left a file behind"

# Geometry that includes itself, directly or through a cycle, is refused.
cp "$(dirname "$0")"/../data/{recurse_inline.wrl,cycle_a.wrl,cycle_b.wrl,recurse_file.iv} "$bad/"
for geometry in recurse_inline.wrl cycle_a.wrl recurse_file.iv; do
  check_bad "include_${geometry%.*}" \
    "{\"components\": [{\"instance\": \"a\", \"component\": \"A\", \"geometry\": \"$geometry\"}]}" \
    "components[0].geometry: cannot read '$geometry': '$bad/${geometry/b.wrl/a.wrl}' includes itself"
done

# --- Bad usage: exit 2 -------------------------------------------------------
"$export_program" >/dev/null 2>&1
[[ $? == 2 ]] || fail "no arguments: exit code is not 2"
for args in "--steps x" "--steps -1" "--steps 2147483648" "--format x3d2"; do
  "$export_program" "$sample/world.json" $args --out "$work/refused" >/dev/null 2>&1
  [[ $? == 2 && ! -e "$work/refused" ]] || fail "$args: exit code is not 2 or DIR written"
done

# --- A snapshot that cannot be rendered: the world is written all the same --
# Without view3dscene and xvfb-run on the PATH, and with ones that fail.
mkdir -p "$work/no-programs" "$work/failing"
for program in view3dscene xvfb-run; do
  printf '#!/bin/sh\nexit 1\n' >"$work/failing/$program"
  chmod +x "$work/failing/$program"
done
while IFS='|' read -r programs expected; do
  PATH="$work/$programs" "$export_program" "$sample/world.json" --out "$work/snap" \
    --snapshot "$work/snap.png" --modules "$modules" -q >/dev/null 2>"$work/snap.err" ||
    fail "snapshot with $programs: the export failed"
  [[ "$(cat "$work/snap.err")" == "zkcp-export: $expected" ]] ||
    fail "snapshot with $programs: '$(cat "$work/snap.err")', expected '$expected'"
  [[ -f "$work/snap/world/world.wrl" && -f "$work/snap/preview.wrl" && ! -e "$work/snap.png" ]] ||
    fail "snapshot with $programs: world or preview missing, or a picture written"
done <<CASES
no-programs|no snapshot written: install the Debian packages view3dscene and xvfb to render $work/snap.png
failing|view3dscene could not render $work/snap/preview.wrl
CASES

# --- X3D: the scene and its page, even without a copy of X_ITE ---------------
"$export_program" "$sample/world.json" --format x3d --x-ite "$work/no-x-ite" --out "$work/x3d" \
  --modules "$modules" -q >/dev/null 2>"$work/x3d-messages" || fail "x3d export failed"
[[ -f "$work/x3d/world.x3d" && -f "$work/x3d/index.html" ]] || fail "x3d export: files missing"
grep -q "needs a copy of X_ITE" "$work/x3d-messages" || fail "x3d export: no word on X_ITE"
if command -v tovrmlx3d >/dev/null 2>&1; then
  (cd "$work/x3d" && tovrmlx3d world.x3d >/dev/null 2>"$work/x3d-warnings")
  [[ -s "$work/x3d-warnings" ]] && fail "tovrmlx3d on world.x3d: $(cat "$work/x3d-warnings")"
else
  skip "tovrmlx3d is not installed (Debian package view3dscene): world.x3d in a browser"
fi
"$export_program" --help | grep -q -- "--snapshot" || fail "--help does not list --snapshot"

# --- A large world -----------------------------------------------------------
large="$work/large"
mkdir -p "$large"
cp -r "$sample/geometry" "$large/"
{
  echo '{"components": ['
  for ((i = 0; i < 10000; i++)); do
    ((i > 0)) && echo ','
    echo "{\"instance\": \"c$i\", \"component\": \"Table\", \"geometry\": \"geometry/table.wrl\","
    echo " \"translation\": [$((i % 100)), 0, $((i / 100))]}"
  done
  echo ']}'
} >"$large/world.json"
"$export_program" "$large/world.json" --out "$work/large-out" >"$work/large.log" 2>"$work/progress.log" ||
  fail "large world: $(tail -3 "$work/progress.log")"
[[ $(grep -c "components read" "$work/progress.log") == 10 ]] ||
  fail "large world: expected 10 progress lines, got: $(cat "$work/progress.log")"
grep -q "^10000 components" "$work/large.log" || fail "large world: $(cat "$work/large.log")"

# --- Progress on a terminal: one line rewritten in place, none with -q ------
if command -v script >/dev/null 2>&1; then
  script -qec "'$export_program' '$large/world.json' --steps 1 --out '$work/tty-out'" /dev/null \
    >"$work/tty.log" 2>&1
  for stage in reading building stepping writing; do
    grep -q $'\rzkcp-export: '"$stage" "$work/tty.log" || fail "terminal: no '$stage' progress"
  done
  grep -q "components read" "$work/tty.log" && fail "terminal: progress logged line by line"
  grep -q $'\rzkcp-export: writing 10000/10000 components, [0-9]*/s, 0 s left' "$work/tty.log" ||
    fail "terminal: no final writing count: $(tr '\r' '\n' <"$work/tty.log" | tail -3)"
  script -qec "'$export_program' '$large/world.json' -q --out '$work/tty-out'" /dev/null \
    >"$work/tty.log" 2>&1
  grep -q "zkcp-export" "$work/tty.log" && fail "terminal with -q: $(cat "$work/tty.log")"
else
  skip "script is not installed (Debian package bsdutils): progress on a terminal"
fi

finish "all zkcp-export checks passed"
