#!/usr/bin/env bash
# zkcp-export replaces only what it wrote: the folders --out may name, the
# folders it refuses whatever they hold, runs stopped half way, input paths
# that are not files, and --snapshot.
# Usage: out_test.sh EXPORT_PROGRAM SAMPLE_WORLD_DIR MODULES_DIR MAKE_WORLD_SCRIPT
set -uo pipefail

export_program=$1
sample=$2
modules=$3
make_world=$4
source "$(dirname "$0")/checks.sh"

world=$work/world
cp -r "$sample" "$world"
run() { "$export_program" "$world/world.json" --modules "$modules" -q "$@"; }
sums() { (cd "$1" && find . -type f -exec md5sum {} + | sort); }

# Refused with exit 1 and a message naming the path and the reason; the
# folder's files are as they were.
check_refused() {  # label, expected message part, folder to keep, arguments...
  local label=$1 expected=$2 keep=$3
  shift 3
  local before
  before=$(sums "$keep")
  "$@" >"$work/out.txt" 2>"$work/err.txt"
  local rc=$?
  [[ $rc == 1 ]] || fail "$label: exit code $rc, expected 1"
  grep -qF -- "$expected" "$work/err.txt" ||
    fail "$label: message '$(cat "$work/err.txt")' lacks '$expected'"
  [[ "$(sums "$keep")" == "$before" ]] || fail "$label: files in $keep changed"
  ls -a "$(dirname "$keep")" | grep -q '\.tmp-' && fail "$label: a scratch folder was left"
}

# --- What --out may name -----------------------------------------------------
mkdir -p "$work/docs" "$work/empty"
echo "my thesis" >"$work/docs/thesis.txt"
check_refused "a user's folder" \
  "zkcp-export: $work/docs exists and was not written by zkcp-export: choose another folder, or empty it first" \
  "$work/docs" run --out "$work/docs"
echo "notes" >"$work/docs/notes.txt"
check_refused "a file" "zkcp-export: $work/docs/notes.txt exists and is not a folder" \
  "$work/docs" run --out "$work/docs/notes.txt"
ln -s "$work/docs" "$work/link"
check_refused "a link to a user's folder" "$work/link exists and was not written by zkcp-export" \
  "$work/docs" run --out "$work/link"
run --out "$work/empty" || fail "an empty folder: refused"
[[ -f "$work/empty/.zkcp-export" && -f "$work/empty/world/world.wrl" ]] ||
  fail "an empty folder: no world and marker written"
# An earlier run's folder is replaced whole, in any format.
echo "stale" >"$work/empty/stale.txt"
"$export_program" "$world/world.json" --modules "$modules" -q --format x3d --x-ite "$work/none" \
  --out "$work/empty" 2>/dev/null || fail "an earlier run's folder: refused"
[[ -f "$work/empty/world.x3d" && ! -e "$work/empty/stale.txt" && ! -e "$work/empty/world" ]] ||
  fail "an earlier run's folder: not replaced"

# --- Folders refused whatever they hold -----------------------------------
mkdir -p "$work/home" "$work/up/here" "$work/elsewhere"
check_refused "the root" "zkcp-export: / is the root folder" "$work/docs" run --out /
check_refused "the home folder" "is the home folder" "$work/docs" \
  env HOME="$work/home" "$export_program" "$world/world.json" -q --out "$work/home"
check_refused "the current folder" "zkcp-export: . is the current folder" "$work/up" \
  bash -c "cd '$work/up/here' && '$export_program' '$world/world.json' -q --out ."
check_refused "a folder above the current one" "zkcp-export: $work/up holds the current folder" \
  "$work/up" bash -c "cd '$work/up/here' && '$export_program' '$world/world.json' -q --out '$work/up'"
# An earlier run's folder into which the world's own files were moved.
ours=$work/ours
run --out "$ours" || fail "an earlier run's folder: not written"
cp -r "$world" "$ours/src"
check_refused "the description's folder" "holds the world description ($ours/src/world.json)" \
  "$ours" "$export_program" "$ours/src/world.json" --modules "$modules" -q --out "$ours"
check_refused "a module folder" "$work/fresh holds a module folder" "$work/docs" \
  run --modules "$work/fresh/mods" --out "$work/fresh"
# A description elsewhere naming geometry and a description file inside --out.
sed "s|geometry/|$ours/src/geometry/|g; s|\"table.desc\"|\"$ours/src/table.desc\"|" \
  "$world/world.json" >"$work/elsewhere/world.json"
check_refused "the geometry's folder" "holds the geometry file door.wrl" "$ours" \
  "$export_program" "$work/elsewhere/world.json" --modules "$modules" -q --out "$ours"
rm -r "$ours/src/geometry"
sed "s|\"table.desc\"|\"$ours/src/table.desc\"|" "$world/world.json" >"$work/elsewhere/world.json"
cp -r "$world/geometry" "$work/elsewhere/"
check_refused "the description file's folder" "holds the description file table.desc" "$ours" \
  "$export_program" "$work/elsewhere/world.json" --modules "$modules" -q --out "$ours"

# --- Runs that stop half way leave the old output ----------------------------
python3 "$make_world" 2000 "$work/large" >/dev/null || fail "world generator failed"
large() { "$export_program" "$work/large/world.json" --modules "$modules" -q --out "$work/kept" "$@"; }
large || fail "large world: not written"
before=$(sums "$work/kept")
# The run is stopped (SIGSTOP) once its scratch folder is there; when it
# was still writing, the signal is sent and the run let go on; a run that
# had already finished is tried again.
for signal in TERM INT; do
  rc=none sent=0
  for ((attempt = 0; attempt < 8 && !sent; ++attempt)); do
    set -m  # a background job of a script otherwise ignores SIGINT
    "$export_program" "$work/large/world.json" --modules "$modules" -q --out "$work/kept" &
    pid=$!
    set +m
    for ((i = 0; i < 6000; ++i)); do
      compgen -G "$work/.kept.tmp-*" >/dev/null && break
      sleep 0.005
    done
    kill -s STOP "$pid" 2>/dev/null
    if compgen -G "$work/.kept.tmp-*" >/dev/null; then
      kill -s "$signal" "$pid"
      kill -s CONT "$pid"
      sent=1
      wait "$pid"
      rc=$?
    else
      kill -s CONT "$pid" 2>/dev/null
      wait "$pid"
    fi
  done
  ((sent)) && [[ $rc -gt 128 ]] || fail "SIG$signal: exit code $rc"
  [[ "$(sums "$work/kept")" == "$before" ]] || fail "SIG$signal: the old output changed"
  compgen -G "$work/.kept*" >/dev/null && fail "SIG$signal: a scratch folder was left"
done
# A file size limit stands in for a full disk.
(ulimit -f 64 && trap '' XFSZ && large) 2>"$work/err.txt"
rc=$?
[[ $rc == 1 ]] || fail "write error: exit code $rc"
grep -q "zkcp-export: cannot write $work/.kept.tmp-[0-9]*/world/world.wrl: File too large" \
  "$work/err.txt" || fail "write error: message '$(cat "$work/err.txt")'"
[[ "$(sums "$work/kept")" == "$before" ]] || fail "write error: the old output changed"
compgen -G "$work/.kept*" >/dev/null && fail "write error: a scratch folder was left"

# --- Input paths that are not files ------------------------------------------
mkfifo "$work/fifo.json" "$world/geometry/pipe.wrl"
mkdir -p "$world/geometry/folder.wrl"
check_input() {  # label, expected message, arguments...
  local label=$1 expected=$2
  shift 2
  timeout 20 "$export_program" "$@" -q --out "$work/input-out" >/dev/null 2>"$work/err.txt"
  local rc=$?
  [[ $rc == 1 ]] || fail "$label: exit code $rc"
  grep -qF -- "$expected" "$work/err.txt" || fail "$label: message '$(cat "$work/err.txt")'"
  grep -qE "basic_string|filesystem error|what\(\)" "$work/err.txt" &&
    fail "$label: library text reached the user"
  [[ -e "$work/input-out" ]] && fail "$label: output written"
}
check_input "a folder as the description" \
  "$world: cannot read the world description: a folder, not a file" "$world"
check_input "a FIFO as the description" "cannot read the world description: a FIFO, not a file" \
  "$work/fifo.json"
check_input "a device as the description" "cannot read the world description: a device" /dev/null
check_input "a missing description" "cannot read the world description: No such file" \
  "$work/none.json"
for geometry in pipe folder; do
  sed "s|geometry/door.wrl|geometry/$geometry.wrl|" "$world/world.json" >"$world/$geometry.json"
done
check_input "a FIFO as geometry" \
  "components[1].geometry: cannot read 'geometry/pipe.wrl': a FIFO, not a file" \
  "$world/pipe.json" --modules "$modules"
check_input "a folder as geometry" \
  "components[1].geometry: cannot read 'geometry/folder.wrl': a folder, not a file" \
  "$world/folder.json" --modules "$modules"

# --- --snapshot may replace a picture, never a folder -----------------------
check_refused "a folder as the picture" "zkcp-export: --snapshot $work/docs is a folder" \
  "$work/docs" run --out "$work/pictured" --snapshot "$work/docs"
check_refused "the description as the picture" "is a file the world is read from" "$world" \
  run --out "$work/pictured" --snapshot "$world/world.json"

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all --out checks passed"
