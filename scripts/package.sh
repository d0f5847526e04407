#!/usr/bin/env bash
# Makes the release packages from the x64 and x86 trees, building what ships first:
#   QLTSCapture-<version>-x64.zip, -x86.zip             the program, qltscap and their readme
#   QLTSCapture-<version>-simtuner-x64.zip, -x86.zip    the simulated driver, its setup
#                                                       command and their readme
#   SHA256SUMS                                          sha256sum -c checks them
# into $QLTS_PACKAGE_DIR (default: <build dir>/packages). The same sources give the same
# archives: entries sorted, fixed modes, every time stamp the last commit's time (or
# SOURCE_DATE_EPOCH), which is also the binaries' header time once stripped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QLTS_BUILD_DIR:-$root/build}
out=${QLTS_PACKAGE_DIR:-$build/packages}

QLTS_TARGETS="QLTSCapture qltscap QLSimTuner QLSimTunerSetup" "$root/scripts/build.sh" x64 x86

version=$(sed -n 's/^#define QLTS_VERSION_TEXT "\(.*\)"$/\1/p' "$build/x64/generated/QltsVersion.h")
[ -n "$version" ] || { echo "package: no version in $build/x64/generated/QltsVersion.h" >&2; exit 1; }
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 946684800)}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"

# Writes a readme template with its placeholders filled and Windows line ends.
readme() {  # template arch this-build target
  sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$2/g" -e "s/@THIS_BUILD@/$3/" -e 's/$/\r/' \
    "$root/scripts/package/$1" >"$4"
}

# Copies a binary without its symbols, which a user has no use for (a quarter of the size).
declare -A toolchain=([x64]=x86_64-w64-mingw32 [x86]=i686-w64-mingw32)
ship() {  # arch binary folder
  SOURCE_DATE_EPOCH=$epoch "${toolchain[$1]}-strip" -o "$3/$(basename "$2")" "$2"
}

# Zips the staged folder $1 into $out/$1.zip.
pack() {
  find "$stage/$1" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
  find "$stage/$1" -exec touch -h -d "@$epoch" {} +
  rm -f "$out/$1.zip"
  (cd "$stage" && find "$1" -type f | LC_ALL=C sort | TZ=UTC0 zip -X -D -q "$out/$1.zip" -@)
}

declare -A this_build=(
  [x64]="This package holds the 64-bit build (x64)."
  [x86]="This package holds the 32-bit build (x86), with the documented 40-byte record."
)
for arch in x64 x86; do
  tree=$build/$arch
  name=QLTSCapture-$version-$arch
  mkdir -p "$stage/$name"
  ship "$arch" "$tree/app/QLTSCapture.exe" "$stage/$name"
  ship "$arch" "$tree/cli/qltscap.exe" "$stage/$name"
  readme program-readme.txt "$arch" "${this_build[$arch]}" "$stage/$name/README.txt"
  pack "$name"

  name=QLTSCapture-$version-simtuner-$arch
  mkdir -p "$stage/$name"
  ship "$arch" "$tree/simtuner/QLSimTuner.dll" "$stage/$name"
  ship "$arch" "$tree/simtuner/QLSimTunerSetup.exe" "$stage/$name"
  readme simtuner-readme.txt "$arch" "" "$stage/$name/README.txt"
  pack "$name"
done

(cd "$out" && sha256sum -- QLTSCapture-"$version"-*.zip >SHA256SUMS)
echo "package: $(cd "$out" && ls QLTSCapture-"$version"-*.zip | tr '\n' ' ')SHA256SUMS in $out"
