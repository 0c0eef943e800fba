#!/usr/bin/env bash
# Every program follows the same command-line conventions: --help and --version on stdout with
# exit 0, mistakes on stderr with a usage line, a hint and exit 2, and nothing ever written under
# a name that was meant as an option.
# Usage: command_lines.sh BIN_DIR VERSION
set -uo pipefail
bin=$1
version=$2
programs=(tavrin tavrin-record tavrin-forge tavrin-xm tavrin-asset tavrin-3ds)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# No display and no sound: nothing here may get as far as opening either.
unset DISPLAY WAYLAND_DISPLAY
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect STATUS PROGRAM ARGUMENT...: runs in the empty work folder; stdout to out, stderr to err.
expect() {
    local want=$1
    shift
    "$bin/$1" "${@:2}" >out 2>err
    local got=$?
    [ "$got" -eq "$want" ] || fail "$* exited $got, not $want; stderr: $(head -c 300 err)"
    # Whatever ran, the folder holds only the captured output afterwards.
    local left
    left=$(ls -A | grep -v -x -e out -e err)
    [ -z "$left" ] && return
    fail "$* left files behind: $left"
    rm -rf -- $left
}

for p in "${programs[@]}"; do
    for help in --help -h; do
        expect 0 "$p" "$help"
        head -n1 out | grep -q "^Usage: $p " || fail "$p $help: no usage line on stdout"
        [ -s err ] && fail "$p $help wrote to stderr"
    done
    expect 0 "$p" --version
    [ "$(head -n1 out)" = "$p (Tavrin) $version" ] || fail "$p --version says '$(head -n1 out)'"
    for bad in --bogus -x - --help=yes; do
        expect 2 "$p" "$bad"
        [ -s out ] && fail "$p $bad wrote to stdout"
        grep -q "^$p: " err && grep -q "^Usage: $p" err && grep -q "Try '$p.* --help'" err ||
            fail "$p $bad: no message, usage line and hint on stderr"
    done
    # A mistake anywhere wins over the work the rest of the line asks for.
    expect 2 "$p" --version=1
done

# Options that name files refuse a value that is really an option.
expect 2 tavrin-forge --help-me
expect 2 tavrin-forge --files --help out.data
expect 2 tavrin-forge --icons -x
expect 2 tavrin-forge --sections out.data
expect 2 tavrin-record --out --still 1
expect 2 tavrin-record --wav=-x.wav
expect 2 tavrin-record --wav out.wav --fps 0
expect 2 tavrin-record
expect 2 tavrin-asset show x.png --png
expect 2 tavrin-asset show --png -x.png x.png
grep -q "option '--png' needs a value" err || fail "tavrin-asset: no word on the --png value"
# The show checks its own options before it opens a window or the sound device.
expect 2 tavrin --window --bogus
expect 2 tavrin --audio alsa
grep -q "'sdl' or 'null'" err || fail "tavrin --audio: no word on the drivers"
expect 2 tavrin extra
# Missing and extra operands, per command.
expect 2 tavrin-xm
expect 2 tavrin-xm info
expect 2 tavrin-xm info a b
expect 2 tavrin-xm render a.xm
expect 2 tavrin-xm frobnicate a.xm
grep -q "unknown command 'frobnicate'" err || fail "tavrin-xm: unknown command not named"
expect 2 tavrin-xm render a.xm out.wav --seconds -3
expect 2 tavrin-asset cat archive.data
expect 2 tavrin-asset list
expect 2 tavrin-3ds
expect 2 tavrin-3ds a.3ds b.3ds
expect 2 tavrin-3ds a.3ds --frames 1:0:1
# A command's own help.
expect 0 tavrin-xm render --help
grep -q -- "--seconds N" out || fail "tavrin-xm render --help lacks --seconds"
# After "--" a name beginning with '-' is an operand like any other.
expect 1 tavrin-3ds -- -scene.3ds
grep -q -- "-scene.3ds" err || fail "tavrin-3ds -- -scene.3ds: the file was not looked for"

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "all programs follow the conventions"
