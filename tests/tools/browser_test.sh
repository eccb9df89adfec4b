#!/usr/bin/env bash
# The X3D world and its page in real clients: the sample room, a world of
# models from other formats (tests/data/import) and a generated world of
# 1,000 components, each exported with --format x3d and
# a Coin/VRML snapshot, then read by tovrmlx3d (no warning allowed) and
# opened in headless chromium by web/check.mjs (console, places, picture).
# Usage: browser_test.sh EXPORT_PROGRAM SOURCE_DIR MODULES_DIR
# Exit 77 (skipped) when node, chromium, view3dscene or xvfb is not installed;
# under CI (CI=true) that fails instead.
set -uo pipefail

export_program=$1
source_dir=$2
modules=$3
web="$source_dir/web"
source "$(dirname "$0")/checks.sh"

for program in node chromium tovrmlx3d view3dscene xvfb-run; do
  command -v "$program" >/dev/null 2>&1 ||
    skip "$program is not installed (make deps installs it): the browser checks"
done
((skipped || failures)) && finish ""
if [[ ! -d "$web/node_modules/x_ite" || ! -d "$web/node_modules/playwright-core" ]]; then
  (cd "$web" && npm ci --no-audit --no-fund >/dev/null) || { fail "npm ci in $web"; finish ""; }
fi

check_world() {  # name, description, extra export arguments...
  local name=$1 description=$2
  shift 2
  local out="$work/$name"
  if ! "$export_program" "$description" --format x3d --modules "$modules" --out "$out" \
      --snapshot "$work/$name.png" "$@" >"$work/$name.log" 2>&1; then
    fail "$name: export: $(cat "$work/$name.log")"
    return
  fi
  [[ -f "$work/$name.png" ]] || { fail "$name: no snapshot: $(cat "$work/$name.log")"; return; }
  (cd "$out" && tovrmlx3d world.x3d >/dev/null 2>"$work/$name.warnings") ||
    fail "$name: tovrmlx3d cannot read world.x3d"
  [[ -s "$work/$name.warnings" ]] && fail "$name: tovrmlx3d warns: $(cat "$work/$name.warnings")"
  node "$web/check.mjs" --dir "$out" --world "$description" --reference "$work/$name.png" ||
    fail "$name: in the browser"
}

check_world sample "$source_dir/examples/world/world.json" --steps 10
check_world imported "$source_dir/tests/data/import/models.json"
if python3 "$source_dir/bench/make_world.py" 1000 "$work/grid-description" >"$work/grid.log" 2>&1; then
  check_world grid "$work/grid-description/world.json"
else
  fail "the 1,000-component world could not be generated: $(cat "$work/grid.log")"
fi

finish "all browser checks passed"
