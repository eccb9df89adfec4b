#!/usr/bin/env bash
# zkcp-serve in real clients: serves the sample room on a free loopback
# port, runs web/live_check.mjs (two headless chromium pages, the door, the
# inspector, a garbage client, control without the token), then stops the
# server with SIGTERM, which must end it within a second with status 0.
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

"$serve" "$source_dir/examples/world/world.json" --modules "$modules" --port 0 --quiet \
  >"$work/out" 2>"$work/err" &
server=$!
url=""
for _ in $(seq 300); do
  url=$(sed -n 's|^Serving Sample room at \(http://127\.0\.0\.1:[0-9]*/?token=[0-9a-f]\{32\}\)$|\1|p' "$work/out")
  [[ -n "$url" ]] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.1
done
if [[ -z "$url" ]]; then
  fail "no start line: $(cat "$work/out" "$work/err")"
  kill "$server" 2>/dev/null
  exit 1
fi

args=(--url "$url")
[[ -n "$picture" ]] && args+=(--picture "$picture")
node "$web/live_check.mjs" "${args[@]}" || fail "in the browser"

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

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all live browser checks passed"
