# What the qltscap checks under Wine share; sourced once exe, setup and work are set.
run="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../cmake/wine-run.sh"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Runs qltscap; its exit code lands in $rc, its outputs in $work/out and $work/err.
q() { "$run" "$exe" "$@" >"$work/out" 2>"$work/err"; rc=$?; }
expect_rc() { [ "$rc" = "$1" ] || fail "$2: exit $rc, expected $1; $(tail -3 "$work/err")"; }
size() { stat -c %s "$1" 2>/dev/null || echo 0; }
# Registers the simulated devices of a scenario file (its Windows path); ends the check when
# that fails.
register_scenario() { "$run" "$setup" "$1" >/dev/null || { echo "FAIL: scenario not registered"; exit 1; }; }
