#!/usr/bin/env bash
# The sample room exported with its recorded behaviours: the summary line
# and the X3D comment say how the door's swing starts, and in a browser the
# door stands closed until the viewer comes near it and then turns by the
# 90 degrees the doors module reaches in 6 of the 10 recorded steps.
# Usage: record_test.sh EXPORT_PROGRAM SAMPLE_WORLD_DIR MODULES_DIR NODE_MODULES_DIR
set -uo pipefail

export_program=$1
sample=$2
modules=$3
node_modules=$4
source "$(dirname "$0")/checks.sh"

out="$work/x3d"
if ! "$export_program" "$sample/world.json" --format x3d --record 10:0.2 --out "$out" \
    --modules "$modules" >"$work/log" 2>&1; then
  fail "export: $(cat "$work/log")"
fi
grep -q "recorded: .*door1\.swing on entering nearDoor, back on leaving it" "$work/log" ||
  fail "the summary line does not say how the swing starts: $(cat "$work/log")"
grep -q "door1\.swing: on entering nearDoor, back on leaving it" "$out/world.x3d" ||
  fail "world.x3d has no comment on the recorded swing"
"$export_program" "$sample/world.json" --record 10 --out "$work/vrml" --modules "$modules" \
  >/dev/null 2>&1
[[ $? == 2 ]] || fail "--record without --format x3d is not a usage error"
"$export_program" "$sample/world.json" --format x3d --record 10:x --out "$work/bad" \
  --modules "$modules" >/dev/null 2>&1
[[ $? == 2 ]] || fail "--record 10:x is not a usage error"

if ! command -v node >/dev/null 2>&1 || [[ ! -x /usr/bin/chromium ]] ||
    [[ ! -d "$node_modules/playwright-core" ]]; then
  echo "node, chromium or playwright-core missing (make deps): browser check skipped"
else
  # 6 steps of 0.2 s turn the door; a slow software renderer may need more.
  result=$(node "$(dirname "$0")/door_browser_check.js" "$out" "$node_modules/playwright-core" 20 \
    2>"$work/console") || fail "browser: $(cat "$work/console") $result"
  read -r _ closed _ open <<<"$result"
  awk -v c="${closed:-nan}" -v o="${open:-nan}" \
    'BEGIN { d = o - c; if (d < 0) d = -d; exit !(c > -1 && c < 1 && d > 89 && d < 91) }' ||
    fail "the door turned from ${closed:-?} to ${open:-?} degrees, not by 90"
fi

exit $((failures > 0))
