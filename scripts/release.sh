#!/usr/bin/env bash
# Builds the release from clean build folders and writes dist/Tockly-<version>-win32.zip and
# dist/SHA256SUMS. The zip holds one folder, Tockly/, with Tockly.exe, corlb.xrt, 使用说明.txt and
# LICENSE.txt. The same commit gives the same bytes wherever and whenever this runs: the entries'
# time is the commit's time, and the build leaves no time or path of its own in the files.
#
# Needs what scripts/install-deps.sh installs. Uses build/release/ (wiped first) and dist/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

version=$(head -n 1 VERSION)
if [[ ! $version =~ ^[0-9]+\.[0-9]+$ ]]; then
    echo "VERSION must read MAJOR.MINOR, not '$version'" >&2
    exit 1
fi
# The entries' time: the commit's, so that a rebuild of the same commit gives the same zip.
if ! epoch=$(git log -1 --format=%ct 2>/dev/null); then
    echo "release.sh needs a git checkout: the zip's entry time is the commit's time" >&2
    exit 1
fi
if [[ -n $(git status --porcelain --untracked-files=no 2>/dev/null) ]]; then
    echo "warning: the checkout has uncommitted changes; this release is not the commit's" >&2
fi

build=$root/build/release
rm -rf "$build"
# The native image tool writes the application image that Tockly.exe carries.
cmake --preset native -B "$build/native" >/dev/null
cmake --build "$build/native" --target tockly-image
cmake --preset win32 -B "$build/win32" -DTOCKLY_NATIVE_BIN="$build/native/bin" >/dev/null
cmake --build "$build/win32" --target Tockly corlb

name=Tockly-$version-win32.zip
# The zip's entries in their order: name in the zip = file.
entries=(
    "Tockly.exe=$build/win32/dist/Tockly.exe"
    "corlb.xrt=$build/win32/dist/corlb.xrt"
    "使用说明.txt=docs/user-guide-zh.txt"
    "LICENSE.txt=LICENSE"
)
mkdir -p dist
rm -f "dist/$name" dist/SHA256SUMS
python3 scripts/release_zip.py --out "dist/$name" --time "$epoch" --folder Tockly --sums dist/SHA256SUMS \
    "${entries[@]}" >/dev/null

# The zip is made a second time from the same files and must come out the same.
again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT
python3 scripts/release_zip.py --out "$again/$name" --time "$epoch" --folder Tockly "${entries[@]}"
if ! cmp -s "dist/$name" "$again/$name"; then
    echo "the zip came out different when made again from the same files" >&2
    exit 1
fi

echo "Release of $(git rev-parse --short HEAD) (version $version):"
(cd "$build/win32/dist" && sha256sum Tockly.exe corlb.xrt)
echo "dist/SHA256SUMS:"
cat dist/SHA256SUMS
