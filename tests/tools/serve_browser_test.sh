#!/usr/bin/env bash
# zkcp-serve in real clients: serves the sample room on a free loopback
# port, runs web/live_check.mjs (two headless chromium pages, the door, the
# lamp's touch sensor, the inspector, a garbage client, control without the
# token), then stops the server with SIGTERM, which must end it within a
# second with status 0; then serves the imported models' world and fetches
# its page, scene and textures.
# Usage: serve_browser_test.sh SERVE_PROGRAM SOURCE_DIR MODULES_DIR [PICTURE]
# Exit 77 (skipped) only when node or chromium is not installed.
set -uo pipefail

serve=$1
source_dir=$2
modules=$3
picture=${4:-}
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

# Starts zkcp-serve on world $1 (named $2) in the background: $server, $url.
start_serving() {
  "$serve" "$1" --modules "$modules" --port 0 --quiet >"$work/out" 2>"$work/err" &
  server=$!
  url=""
  for _ in $(seq 300); do
    url=$(sed -n "s|^Serving $2 at \(http://127\.0\.0\.1:[0-9]*/?token=[0-9a-f]\{32\}\)\$|\1|p" "$work/out")
    [[ -n "$url" ]] && return 0
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  fail "$1: no start line: $(cat "$work/out" "$work/err")"
  kill "$server" 2>/dev/null
  return 1
}

# Stops the server with SIGTERM, which must end it within a second, status
# 0 and nothing on the error stream.
stop_serving() {
  kill -TERM "$server"
  for _ in $(seq 10); do
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$server" 2>/dev/null; then
    fail "zkcp-serve still runs a second after SIGTERM"
    kill -KILL "$server"
  fi
  wait "$server"
  status=$?
  ((status == 0)) || fail "zkcp-serve ended with status $status after SIGTERM: $(cat "$work/err")"
  [[ -s "$work/err" ]] && fail "zkcp-serve wrote to the error stream: $(cat "$work/err")"
}

start_serving "$source_dir/examples/world/world.json" "Sample room" || exit 1
args=(--url "$url")
[[ -n "$picture" ]] && args+=(--picture "$picture")
node "$web/live_check.mjs" "${args[@]}" || fail "in the browser"
stop_serving

# Models of other formats as geometry: the page, the scene and every
# texture it names are served, the image held in lamp.glb as it is there.
models="$source_dir/tests/data/import"
if start_serving "$models/models.json" "Imported models"; then
  base=${url%%\?*} checker="$models/checker.png" node --input-type=module <<'SCRIPT' ||
import { readFileSync } from "node:fs";
const { base, checker } = process.env;
const get = async (path) => {
  const r = await fetch(base + path);
  if (!r.ok) throw new Error(`${path}: HTTP ${r.status}`);
  return Buffer.from(await r.arrayBuffer());
};
await get("");
const scene = (await get("world.x3d")).toString();
for (const part of ["lamp2_Shade_1", "chair1_Seat", "chair3_Seat", "stool1"])
  if (!scene.includes(`DEF="${part}"`)) throw new Error(`world.x3d has no part ${part}`);
const textures = [...scene.matchAll(/url="&quot;([^&]+\.png)&quot;"/g)].map((m) => m[1]);
if (!textures.some((t) => t.endsWith("lamp_glb_checker.png")))
  throw new Error(`world.x3d names no image of lamp.glb: ${textures}`);
for (const t of textures) {
  const bytes = await get(t);
  if (t.endsWith("lamp_glb_checker.png") && !bytes.equals(readFileSync(checker)))
    throw new Error(`${t} is not the image lamp.glb holds`);
}
SCRIPT
    fail "imported models"
  stop_serving
fi

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all live browser checks passed"
