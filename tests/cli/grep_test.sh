#!/bin/bash
# pelto-cli grep on small files made here: stdout, stderr lines and status.
# Usage: grep_test.sh PELTO_CLI
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

make() { printf "$2" > "$work/$1"; }

# expect NAME STATUS STDERR-LINES EXPECTED-STDOUT-PRINTF-FORMAT ARGS...
expect() {
    local name=$1 status=$2 errlines=$3 expected=$4
    shift 4
    printf "$expected" > "$work/expected"
    (cd "$work" && "$cli" grep "$@" > "$work/out" 2> "$work/err")
    local got=$?
    if [ "$got" != "$status" ]; then
        echo "FAIL $name: status $got, expected $status"; cat "$work/err"; failures=$((failures + 1)); return
    fi
    if ! cmp -s "$work/out" "$work/expected"; then
        echo "FAIL $name: stdout differs"; od -c "$work/out" | head -5; failures=$((failures + 1)); return
    fi
    if [ "$(wc -l < "$work/err")" != "$errlines" ]; then
        echo "FAIL $name: expected $errlines lines on stderr"; cat "$work/err"; failures=$((failures + 1)); return
    fi
    echo "ok   $name"
}

# "ソ" and "表" end in 0x5C, the byte of "\"; line 3 holds a real one.
make trail  '\x83\x5C\r\n\x95\x5C\r\na\\b\r\n'
make lines  'one\r\nNeedle two\r\nthree\nneedle\r\nend'
make posts  'preface needle\r\n00012/00100 ABC01234 title\r\n 99/01/02\r\nbody needle\r\n'

expect "line numbers, case folded"  0 0 'lines:2:Needle two\nlines:3:three\xef\xbf\xbdneedle\n' needle lines
expect "lone LF shown as U+FFFD"    0 0 'lines:3:three\xef\xbf\xbdneedle\n' --case needle lines
expect "a trail byte is no match"   0 0 'trail:3:a\\b\n' --hex 5C trail
expect "UTF-8 pattern of a kanji"   0 0 'trail:2:\xe8\xa1\xa8\n' 表 trail
expect "post numbers"               0 0 'posts:1::preface needle\nposts:4:12:body needle\n' --post needle posts
expect "no hit"                     1 0 '' absent lines trail
expect "unreadable file"            2 1 'lines:2:Needle two\n' --case Needle missing lines
expect "folder as file"             2 1 '' needle .
expect "unknown option"             2 1 '' --nope needle lines
expect "empty pattern"              2 1 '' '' lines
expect "bad hex"                    2 1 '' --hex 5 lines

if [ "$failures" != 0 ]; then
    echo "$failures failed"
    exit 1
fi
