#!/usr/bin/env bash
# zkcp-export on generated worlds of the sample's door, table and lamp
# (bench/make_world.py): wall and CPU time, peak memory, and both per
# component, for each size given (default 1,000, 10,000 and 100,000); and
# the program's read and write system calls per component, with the bytes
# per write, as the kernel counts them for the process (/proc/PID/io: a
# shell's count takes in the children it has waited for).
# Per-component figures that stay flat as the world grows mean linear. A
# component of this world has 3.7 parts on average, so 4.7 kits: set its
# figures beside 4.7 times scale_bench's kit_us and kit_B.
# Usage: export_scale.sh EXPORT_PROGRAM MODULES_DIR [N...]
set -euo pipefail

program=$1
modules=$2
shift 2
sizes=("$@")
((${#sizes[@]})) || sizes=(1000 10000 100000)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-10s %8s %8s %8s %9s %11s %9s %9s %9s %10s\n' components "wall s" "cpu s" "sys s" \
  "peak MB" "cpu us/comp" "KB/comp" "reads/c" "writes/c" "B/write"
for n in "${sizes[@]}"; do
  python3 "$here/make_world.py" "$n" "$work/world-$n" >/dev/null
  # A subshell of its own, so that its count is the program's alone.
  io=$(
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
      "$program" "$work/world-$n/world.json" --modules "$modules" --quiet --out "$work/out" \
      >/dev/null
    cat "/proc/$BASHPID/io"
  )
  read -r wall user sys peak <"$work/time"
  awk -v n="$n" -v wall="$wall" -v user="$user" -v sys="$sys" -v peak="$peak" '
    $1 == "syscr:" { reads = $2 } $1 == "syscw:" { writes = $2 } $1 == "wchar:" { wbytes = $2 }
    END {
      printf "%-10d %8.2f %8.2f %8.2f %9.0f %11.1f %9.1f %9.2f %9.3f %10.0f\n", n, wall,
             user + sys, sys, peak / 1024, (user + sys) * 1e6 / n, peak / n, reads / n,
             writes / n, writes ? wbytes / writes : 0
    }' <<<"$io"
  rm -rf "$work/world-$n" "$work/out"
done
