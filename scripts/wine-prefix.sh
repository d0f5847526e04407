#!/usr/bin/env bash
# Creates a project-local Wine prefix once (idempotent, safe to call from parallel tests)
# and keeps a persistent wineserver running for it.
#   wine-prefix.sh <prefix> [null|x11]
set -u
prefix=$1 graphics=${2:-null}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/.qlts-ready" ]; then
    rm -rf "$prefix"
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null
    /usr/lib/wine/wineserver64 -w
    if [ "$graphics" = null ]; then
      "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
    else
      # Every program of the prefix runs inside one virtual desktop window, which gives
      # windows their caption bars under a display without a window manager.
      "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
      "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 </dev/null
    fi
    /usr/lib/wine/wineserver64 -w
    [ -f "$prefix/system.reg" ] || { echo "wine-prefix: could not create $prefix" >&2; exit 1; }
    touch "$prefix/.qlts-ready"
  fi
  # A persistent server saves about a second per program start.
  /usr/lib/wine/wineserver64 -p >/dev/null 2>&1 </dev/null 9>&- || true
) 9>"$prefix.lock"
