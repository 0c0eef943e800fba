#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it from elsewhere, as someone who never built
# it would: the files are where the desktop and man look for them, and the show finds its data
# in share/tavrin by itself.
# Usage: installed_layout.sh BUILD_DIR MANUALS(1|0)
set -euo pipefail
build=$1
manuals=$2
programs=(tavrin tavrin-record tavrin-forge tavrin-xm tavrin-asset tavrin-3ds)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

for p in "${programs[@]}"; do
    [ -x "$prefix/bin/$p" ] || { echo "FAIL: bin/$p missing"; exit 1; }
done
for f in share/tavrin/Tavrin.data share/applications/tavrin.desktop share/doc/tavrin/README.md \
         share/doc/tavrin/copyright share/icons/hicolor/{48x48,128x128,256x256}/apps/tavrin.png; do
    [ -s "$prefix/$f" ] || { echo "FAIL: $f missing"; exit 1; }
done
grep -q "MIT License" "$prefix/share/doc/tavrin/copyright" || { echo "FAIL: copyright is not the licence"; exit 1; }
for size in 48 128 256; do
    [ "$(identify -format '%m %wx%h' "$prefix/share/icons/hicolor/${size}x${size}/apps/tavrin.png")" = "PNG ${size}x${size}" ] ||
        { echo "FAIL: the ${size}px icon is not a ${size}x${size} PNG"; exit 1; }
done

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/tavrin.desktop"
    # The entry starts a program that is installed, with an icon that is installed.
    grep -q '^Exec=tavrin$' "$prefix/share/applications/tavrin.desktop"
    grep -q '^Icon=tavrin$' "$prefix/share/applications/tavrin.desktop"
else
    echo "desktop-file-validate not installed: the desktop entry is not validated"
fi

if [ "$manuals" = 1 ]; then
    for p in "${programs[@]}"; do
        page=$prefix/share/man/man1/$p.1.gz
        [ -s "$page" ] || { echo "FAIL: no manual page for $p"; exit 1; }
        # Rendered with warnings on: any complaint from groff fails the page.
        text=$(MANWIDTH=80 MAN_KEEP_STDERR=1 man --warnings -l "$page" 2>"$work/man.err")
        [ ! -s "$work/man.err" ] || { echo "FAIL: man $p: $(cat "$work/man.err")"; exit 1; }
        grep -q "^NAME" <<<"$text" && grep -q -- "--version" <<<"$text" && grep -q "^SYNOPSIS" <<<"$text" ||
            { echo "FAIL: the manual page of $p lacks its sections"; exit 1; }
    done
fi

# From a folder with no data and with nothing pointing at any, the installed recorder finds the
# installed archive and renders the flare scene exactly as the build's own recorder does.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
unset TAVRIN_DATA
export EGL_PLATFORM=surfaceless SDL_AUDIODRIVER=dummy
"$prefix/bin/tavrin-record" --to 8 --still 7.5 --out installed >/dev/null 2>"$work/record.err" ||
    { echo "FAIL: the installed tavrin-record failed"; cat "$work/record.err"; exit 1; }
"$build/bin/tavrin-record" --data "$build/bin/Tavrin.data" --to 8 --still 7.5 --out built >/dev/null 2>&1
cmp installed/still-007.50.png built/still-007.50.png ||
    { echo "FAIL: the installed show's still differs from the build's"; exit 1; }
# and the still is the picture, not a black frame.
lit=$(convert installed/still-007.50.png -colorspace Gray -format '%[fx:mean]' info:)
awk -v m="$lit" 'BEGIN { exit !(m > 0.03) }' || { echo "FAIL: the still is dark (mean $lit)"; exit 1; }

# Without the installed archive the error names every place looked at.
mv "$prefix/share/tavrin/Tavrin.data" "$work/moved.data"
status=0
"$prefix/bin/tavrin-record" --to 1 --still 0.5 --out none >/dev/null 2>"$work/record.err" || status=$?
[ "$status" -eq 1 ] || { echo "FAIL: tavrin-record without data exited $status"; exit 1; }
for place in "$work/elsewhere/Tavrin.data" "$prefix/bin/Tavrin.data" "$prefix/share/tavrin/Tavrin.data"; do
    grep -qF "$place" "$work/record.err" || { echo "FAIL: '$place' not named in: $(cat "$work/record.err")"; exit 1; }
done
# TAVRIN_DATA names the archive instead of the search.
TAVRIN_DATA=$work/moved.data "$prefix/bin/tavrin-record" --to 4 --still 0 --out named >/dev/null 2>&1 ||
    { echo "FAIL: TAVRIN_DATA was not used"; exit 1; }
echo "installed into $prefix: layout, desktop entry, manual pages and data search are right"
