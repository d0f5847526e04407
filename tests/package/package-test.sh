#!/usr/bin/env bash
# The release packages as a user meets them. scripts/package.sh runs twice and must give
# the same archives; SHA256SUMS verifies; each archive holds its folder with exactly the
# expected files, readmes with Windows line ends, binaries of the named architecture. Then
# the x64 program and simulated driver are unpacked into a fresh Wine prefix, the driver is
# registered by the setup command from its own folder, and the program, started from its
# folder, must list the default tuners; it is then closed by WM_CLOSE (taskkill without /f)
# and must end by itself.
#   package-test.sh <work dir> <version>     (QLTS_BUILD_DIR names the build trees)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1 version=$2
packages=$work/packages
export QLTS_PACKAGE_DIR=$packages
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
fail() { echo "package-test: $*" >&2; exit 1; }

# Waits up to $1 seconds for the command behind it to succeed.
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

[ -d "$WINEPREFIX" ] && { "$WINESERVER" -k >/dev/null 2>&1 || true; }
rm -rf "$work"
mkdir -p "$work"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT

"$root/scripts/package.sh" >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "package.sh failed"; }
cp "$packages/SHA256SUMS" "$work/first-run.sums"
"$root/scripts/package.sh" >>"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "package.sh failed again"; }
cmp -s "$work/first-run.sums" "$packages/SHA256SUMS" || fail "a second run made different archives"
(cd "$packages" && sha256sum --check --strict --quiet SHA256SUMS) || fail "SHA256SUMS does not verify"

# The machine field of a PE file's header: 8664 for x64, 014c for x86.
pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}

declare -A machine=([x64]=8664 [x86]=014c)
archives=()
for arch in x64 x86; do
  for kind in program simtuner; do
    if [ $kind = program ]; then
      name=QLTSCapture-$version-$arch files="QLTSCapture.exe README.txt qltscap.exe"
    else
      name=QLTSCapture-$version-simtuner-$arch files="QLSimTuner.dll QLSimTunerSetup.exe README.txt"
    fi
    archives+=("$name.zip")
    zip=$packages/$name.zip
    expected=$(for f in $files; do echo "$name/$f"; done | LC_ALL=C sort)
    [ "$(unzip -Z1 "$zip")" = "$expected" ] || fail "$name.zip holds $(unzip -Z1 "$zip" | tr '\n' ' ')"
    unzip -q "$zip" -d "$work/unpacked"
    readme=$work/unpacked/$name/README.txt
    ! grep -q $'[^\r]$' "$readme" || fail "$name: README.txt has lines without CRLF"
    ! grep -q '@' "$readme" || fail "$name: README.txt has an unfilled placeholder"
    grep -q "$version ($arch)" "$readme" || fail "$name: README.txt does not name $version ($arch)"
    for f in $files; do
      [ "$f" = README.txt ] && continue
      [ "$(pe_machine "$work/unpacked/$name/$f")" = "${machine[$arch]}" ] || fail "$name/$f is not an $arch binary"
    done
  done
done
listed=$(awk '{print $2}' "$packages/SHA256SUMS" | LC_ALL=C sort)
[ "$listed" = "$(printf '%s\n' "${archives[@]}" | LC_ALL=C sort)" ] || fail "SHA256SUMS lists $listed"

# A fresh prefix: nothing registered but what the package's own setup command registers.
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" null || fail "no Wine prefix"
programs=$WINEPREFIX/drive_c/Program\ Files
unzip -q "$packages/QLTSCapture-$version-x64.zip" -d "$programs"
unzip -q "$packages/QLTSCapture-$version-simtuner-x64.zip" -d "$programs"

cd "$programs/QLTSCapture-$version-simtuner-x64"
"$WINE" "C:\\Program Files\\QLTSCapture-$version-simtuner-x64\\QLSimTunerSetup.exe" /default \
  >"$work/setup.out" 2>&1 </dev/null || { cat "$work/setup.out"; fail "the setup command failed"; }
grep -q "QLSimTunerSetup: done" "$work/setup.out" || fail "the setup command did not register: $(cat "$work/setup.out")"

cd "$programs/QLTSCapture-$version-x64"
"$WINE" "C:\\Program Files\\QLTSCapture-$version-x64\\QLTSCapture.exe" >"$work/program.out" 2>"$work/program.err" </dev/null &
program=$!
expected="Get nQLBDADevs=4 
QLDev[0], DTV-DVB S2 Satellite Tuner, Src_Type=1 
QLDev[1], Quillon DVB-T Terrestrial Tuner, Src_Type=2 
QLDev[2], DTV-DVB C Cable Tuner, Src_Type=3 
QLDev[3], DTV-ATSC Tuner, Src_Type=4 "
# Done when the count line and as many device lines are out, or the program has ended.
tuners_listed() {
  local count
  count=$(sed -n 's/^Get nQLBDADevs=\([0-9]*\).*/\1/p' "$work/program.out")
  [ -n "$count" ] && [ "$(grep -c '^QLDev\[' "$work/program.out")" -ge "$count" ] || ! kill -0 $program 2>/dev/null
}
wait_for 120 tuners_listed || fail "the program listed no tuners in 120 s: $(cat "$work/program.out")"
[ "$(tr -d '\r' <"$work/program.out")" = "$expected" ] || fail "the program listed: $(cat "$work/program.out")"

"$WINE" taskkill /im QLTSCapture.exe >"$work/taskkill.out" 2>&1 </dev/null || fail "taskkill: $(cat "$work/taskkill.out")"
ended() { ! kill -0 $program 2>/dev/null; }
wait_for 60 ended || { kill $program; fail "the program did not end on WM_CLOSE"; }
# The prefix is kept for a look after a failure only: it takes hundreds of megabytes.
"$WINESERVER" -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX" "$work/unpacked"
echo "package-test: ${archives[*]} verified; the x64 program found the default tuners and closed"
