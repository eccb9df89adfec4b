# Shared by the tool test scripts: a scratch folder removed at exit, a fail
# function that counts failed checks so that every check still runs, and a
# skip function for a check that cannot run here. CI (CI=true) installs
# every tool the checks need, so there a skip is a failure.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
skipped=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

skip() {
  if [[ ${CI:-} == true ]]; then
    fail "cannot run in CI: $*"
  else
    echo "SKIP: $*" >&2
    skipped=$((skipped + 1))
  fi
}

# Ends the script: 1 when a check failed, else 77 (which ctest shows as
# skipped) when one was skipped, else 0 after printing $1.
finish() {
  if ((failures)); then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  ((skipped)) && exit 77
  echo "$1"
  exit 0
}
