#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest and the scripts.
# Wine's output goes through temporary files: helper processes that Wine starts would
# otherwise inherit ctest's pipes and keep every test waiting for them.
set -u
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of the build tree}"
here=$(cd "$(dirname "$0")" && pwd)
"$here/../scripts/wine-prefix.sh" "$WINEPREFIX" "${QLTS_WINE_GRAPHICS:-null}" || exit 1
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
out=$(mktemp) err=$(mktemp)
/usr/lib/wine/wine64 "$@" >"$out" 2>"$err" </dev/null
rc=$?
cat "$out"; cat "$err" >&2
rm -f "$out" "$err"
exit $rc
