#!/bin/bash
# Runs pelto-cli on small files made here and compares stdout and the exit
# status exactly.  Usage: cli_test.sh PELTO_CLI
set -u
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# make NAME PRINTF-FORMAT: writes the bytes of the printf format into a file
make() { printf "$2" > "$work/$1"; }

# expect NAME STATUS EXPECTED-STDOUT-PRINTF-FORMAT ARGS...
expect() {
    local name=$1 status=$2 expected=$3
    shift 3
    printf "$expected" > "$work/expected"
    (cd "$work" && "$cli" "$@" > "$work/out" 2> "$work/err")
    local got=$?
    if [ "$got" != "$status" ]; then
        echo "FAIL $name: status $got, expected $status"; failures=$((failures + 1)); return
    fi
    if ! cmp -s "$work/out" "$work/expected"; then
        echo "FAIL $name: stdout differs"; od -c "$work/out" | head -5; failures=$((failures + 1)); return
    fi
    if [ "$status" = 2 ] && [ "$(wc -l < "$work/err")" != 1 ]; then
        echo "FAIL $name: expected one line on stderr"; cat "$work/err"; failures=$((failures + 1)); return
    fi
    echo "ok   $name"
}

make crlf      'a\r\nb\r\n'
make cr        'a\rb'
make lonelf    'a\nb\r\n'
make ctrlz     'x\x1ay\r\nz\r\n'
make nul       'a\000b\r\nc'
make nobreak   'abc'
make empty     ''
make blanks    '\r\n\r\n'
make leadend   'abc\x82\r\na\x82\xa0b'
make long      "$(printf '%0200d' 0)"
make kanji     'a\x88\x9f\x88\x9f\x88\x9f'

expect "stats CR LF"              0 '2 2\n'                   stats crlf
expect "rows CR LF"               0 '0 1 80 0 1\n1 1 80 0 1\n' rows crlf
expect "lone CR breaks"           0 '2 2\n'                   stats cr
expect "lone LF stays in line"    0 '0 1 3 0 1\n'             rows --nowrap lonelf
expect "0x1A ends the file"       0 '1 1\n'                   stats ctrlz
expect "NUL is an ordinary byte"  0 '0 1 3 0 1\n1 1 1 0 1\n'  rows --nowrap nul
expect "no final break"           0 '1 1\n'                   stats nobreak
expect "empty file"               0 '0 0\n'                   stats empty
expect "empty lines"              0 '0 0 0 0 1\n1 0 0 0 1\n'  rows blanks
expect "lead byte at line end"    0 '0 1 2 0 0\n0 3 2 1 1\n1 1 1 0 0\n1 2 2 1 0\n1 4 2 2 1\n' rows --wrap 2 leadend
expect "default wraps at 80"      0 '0 1 80 0 0\n0 81 80 1 0\n0 161 80 2 1\n' rows long
expect "--wrap=N form"            0 '1 2\n'                   stats --wrap=100 long
expect "--nowrap"                 0 '1 1\n'                   stats --nowrap long
expect "wrap 1 keeps characters"  0 '0 1 1 0 0\n0 2 2 1 0\n0 4 2 2 0\n0 6 2 3 1\n' rows --wrap 1 kanji

expect "missing file"             2 '' stats no-such-file
expect "folder as file"           2 '' stats .
expect "no file"                  2 '' stats
expect "two files"                2 '' stats crlf cr
expect "wrap not a number"        2 '' stats --wrap x crlf
expect "wrap zero"                2 '' rows --wrap 0 crlf
expect "wrap without value"       2 '' stats crlf --wrap
expect "wrap and nowrap"          2 '' stats --wrap 10 --nowrap crlf
expect "unknown option"           2 '' stats --fast crlf
expect "unknown command"          2 '' count crlf
expect "no command"               2 ''
expect "find next line"           0 '1 1\n'                   find b crlf
expect "find folds case"          0 '0 1\n'                   find A crlf
expect "find --case keeps case"   0 ''                        find --case A crlf
expect "find upward from row 1"   0 '0 1\n'                   find --prior --top 1 a crlf
expect "find never splits kanji"  0 ''                        find --hex 9f88 kanji
expect "find kanji by bytes"      0 '0 2\n'                   find --hex 889f kanji
expect "find bad hex"             2 ''                        find --hex 8 kanji
expect "find missing file"        2 ''                        find a no-such-file
expect "titles of a headerless log" 0 '000001 : crlf\r\n'      titles crlf
expect "tree bad level"           2 ''                        tree --level 4 crlf
expect "thread without index"     2 ''                        thread crlf

if [ "$failures" != 0 ]; then
    echo "$failures failed"
    exit 1
fi
