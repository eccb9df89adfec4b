# Shared by the tool test scripts: a scratch folder removed at exit, and a
# fail function that counts failed checks so that every check still runs.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
