#!/usr/bin/env bash
# The X3D world and its page in real clients: the sample room, a world of
# models from other formats (tests/data/import) and a generated world of
# 1,000 components, each exported with --format x3d and
# a Coin/VRML snapshot, then read by tovrmlx3d (no warning allowed) and
# opened in headless chromium by web/check.mjs (console, places, picture).
# Usage: browser_test.sh EXPORT_PROGRAM SOURCE_DIR MODULES_DIR
# Exit 77 (skipped) only when node or chromium is not installed.
set -uo pipefail

export_program=$1
source_dir=$2
modules=$3
web="$source_dir/web"

for program in node chromium; do
  if ! command -v "$program" >/dev/null 2>&1; then
    echo "$program is not installed (make deps installs it): browser checks skipped"
    exit 77
  fi
done
if [[ ! -d "$web/node_modules/x_ite" || ! -d "$web/node_modules/playwright-core" ]]; then
  (cd "$web" && npm ci --no-audit --no-fund >/dev/null) || { echo "FAIL: npm ci in $web"; exit 1; }
fi

source "$(dirname "$0")/checks.sh"

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
python3 "$source_dir/bench/make_world.py" 1000 "$work/grid-description" &&
  check_world grid "$work/grid-description/world.json"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all browser checks passed"
