#!/bin/sh
# Checks Veltane's XScreenSaver description: valid against the format's DTD, and saying what the settings
# need to list it, preview it and run it: the program's name, a label, the command "veltane --root" and one
# paragraph of description.
# Usage: check_description.sh <veltane.xml> <xscreensaver.dtd>
set -u
xml=$1
dtd=$2
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

value() {
  xmllint --xpath "$1" "$xml" 2>/dev/null
}

xmllint --noout --dtdvalid "$dtd" "$xml" || fail "$xml does not follow the description format"

[ "$(value 'string(/screensaver/@name)')" = veltane ] ||
  fail "the name is not the program's name, veltane: the settings would not find the program"
[ -n "$(value 'normalize-space(/screensaver/@_label)')" ] || fail "no label for the settings' list"

# XScreenSaver puts the command arguments after the program's name, and its settings warn of any that does
# not begin with a hyphen; with option widgets it would add arguments that veltane does not take. Its own
# display modes take --root, and so does veltane.
args=$(value '/screensaver/command/@arg' | sed 's/^ *arg="\(.*\)"$/\1/' | tr '\n' ' ' | sed 's/ *$//')
[ "$args" = --root ] || fail "the command is 'veltane $args', not 'veltane --root'"
[ "$(value 'count(/screensaver/fullcommand)')" = 0 ] || fail "a fullcommand replaces the command"
[ "$(value 'count(/screensaver/*[self::boolean or self::number or self::select or self::string or self::file or self::hgroup or self::vgroup])')" = 0 ] ||
  fail "an option widget would add arguments that veltane does not take"

# Paragraphs are separated by blank lines; the description is meant to be a single one.
paragraphs=$(value 'string(/screensaver/_description)' |
  awk '/^[[:space:]]*$/ { gap = 1; next } { if (gap && n) n++; if (!n) n = 1; gap = 0 } END { print n + 0 }')
[ "$paragraphs" = 1 ] || fail "the description has $paragraphs paragraphs, not one"

[ "$failures" -eq 0 ] || exit 1
echo "ok: $xml"
