#!/usr/bin/env bash
# Builds the Debian package from the release build, as scripts/package does, and checks it the
# way Debian would: lintian without errors, dependencies found from the programs' own links, and
# the tools working on the installed data from the unpacked tree.
# Usage: debian_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
for tool in lintian dpkg-shlibdeps dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps installs it)"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$work/out/tavrin_${version}_amd64.deb
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb")"; ls "$work/out"; exit 1; }

info=$(dpkg-deb --info "$deb")
grep -E '^ (Depends|Section|Suggests):' <<<"$info"
# The libraries the programs link, as dpkg-shlibdeps names them.
depends=$(grep '^ Depends:' <<<"$info")
for library in libegl1 libgl1 libsdl2-2.0-0 libepoxy0 libpng16-16 libjpeg62-turbo zlib1g libfreetype6 'libstdc++6'; do
    grep -qE " ${library//+/\\+}( |,|$)" <<<"$depends" || { echo "FAIL: Depends lacks $library"; exit 1; }
done
grep -q '^ Section: video$' <<<"$info"
grep -q '^ Description: ' <<<"$info" || { echo "FAIL: no description"; exit 1; }
dpkg-deb --contents "$deb" >"$work/contents.txt"
grep -q './usr/share/doc/tavrin/copyright$' "$work/contents.txt" || { echo "FAIL: no copyright file"; exit 1; }

# Errors fail the package; warnings and notes are shown.
lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'root privileges' | tee "$work/lintian.log" || true
if grep -q '^E: ' "$work/lintian.log"; then
    echo "FAIL: lintian reports errors"
    exit 1
fi

# The unpacked tree works on its own data.
root=$work/root
dpkg-deb -x "$deb" "$root"
data=$root/usr/share/tavrin/Tavrin.data
cd "$work"
"$root/usr/bin/tavrin-asset" list "$data" >list.txt
grep -q '^[0-9]* entries' list.txt && grep -q 'KVB.xm' list.txt || { echo "FAIL: tavrin-asset list"; cat list.txt; exit 1; }
"$root/usr/bin/tavrin-asset" cat "$data" KVB.xm >song.xm
"$root/usr/bin/tavrin-xm" info song.xm >info.txt
grep -q '^channels [0-9]*, patterns' info.txt || { echo "FAIL: tavrin-xm info"; head info.txt; exit 1; }
"$root/usr/bin/tavrin" --version | grep -qx "tavrin (Tavrin) $version"
echo "package $(basename "$deb") is sound"
