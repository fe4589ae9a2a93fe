#!/bin/sh
# Checks an installed tree for every file that a Linux user's hosts and desktop look for, in the places
# GNUInstallDirs gives them, and that the tree still works when moved elsewhere.
# Usage: check_layout.sh <prefix> <with veltane-render: ON or OFF> <the program's icon resource>
set -u
prefix=$1
withRender=$2
ico=$3
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

program=$prefix/bin/veltane
link=$prefix/libexec/xscreensaver/veltane
page=$prefix/share/man/man6/veltane.6.gz

[ -f "$program" ] && [ -x "$program" ] || fail "$program is not an executable file"

# XScreenSaver finds the program through the link; a relative link survives a moved prefix.
if [ -L "$link" ]; then
  case $(readlink "$link") in
    /*) fail "$link points to an absolute path, $(readlink "$link")" ;;
  esac
  [ "$link" -ef "$program" ] || fail "$link does not lead to $program"
else
  fail "$link is not a link"
fi

[ -f "$prefix/libexec/veltane/veltane-config.so" ] || fail "no configuration module at $prefix/libexec/veltane"

moved=$(mktemp -d)
cp -a "$prefix/." "$moved/"
[ "$moved/libexec/xscreensaver/veltane" -ef "$moved/bin/veltane" ] || fail "the link breaks when the tree is moved"
# Run through the link in the moved tree, the configuration mode finds its module beside the real program
# and only then finds no display.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$moved/libexec/xscreensaver/veltane" c 2>&1)
[ "$said" = "veltane: cannot show the configuration dialog: no window can be shown here" ] ||
  fail "the configuration mode of the moved tree, run through the link, said: $said"
rm -rf "$moved"

[ -f "$prefix/share/xscreensaver/config/veltane.xml" ] || fail "no XScreenSaver description"

# MATE's and XFCE's screen savers list the theme, and run its command only when they find it in one of
# their folders of display modes, XScreenSaver's among them.
theme=$prefix/share/applications/screensavers/veltane.desktop
if [ -f "$theme" ]; then
  command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$theme")
  [ -x "$prefix/libexec/xscreensaver/$command" ] || fail "the theme's command, $command, is not in libexec/xscreensaver"
else
  fail "no screen-saver theme at $theme"
fi

if [ -f "$page" ]; then
  text=$(mktemp)
  gzip -dc "$page" >"$text" || fail "the manual page is not a gzip file"
  warnings=$(groff -man -ww -z "$text" 2>&1)
  [ -z "$warnings" ] || fail "the manual page does not format cleanly: $warnings"
  for section in NAME SYNOPSIS DESCRIPTION MODES SETTINGS HOSTS '"EXIT STATUS"' ENVIRONMENT FILES; do
    grep -q "^\.SH $section\$" "$text" || fail "the manual page has no $section section"
  done
  for needed in 'Quillon Screen Savers/veltane.conf' DelayOn DelayTime BurnTime XSCREENSAVER_WINDOW \
      'xss\\-lock' xautolock SIGTERM '\\-root' '\\-\\-help' '\\-\\-version' 'screensavers/veltane.desktop'; do
    grep -q "$needed" "$text" || fail "the manual page does not mention $needed"
  done
  rm -f "$text"
else
  fail "no manual page at $page"
fi

# The idle watcher runs the saver beside it; its systemd user unit names the watcher of this tree, is off
# until a user enables it, and passes systemd's own check, its manual page included.
watcher=$prefix/bin/veltane-idle
unit=$prefix/share/systemd/user/veltane-idle.service
[ -f "$watcher" ] && [ -x "$watcher" ] || fail "$watcher is not an executable file"
if [ -f "$unit" ]; then
  grep -qx "ExecStart=$watcher" "$unit" || fail "the unit does not run $watcher: $(grep ExecStart "$unit")"
  grep -qx "WantedBy=graphical-session.target" "$unit" || fail "the unit is not wanted by the graphical session"
  runtime=$(mktemp -d)
  verified=$(XDG_RUNTIME_DIR=$runtime MANPATH=$prefix/share/man systemd-analyze --user verify "$unit" 2>&1 ||
    echo "status $?")
  [ -z "$verified" ] || fail "systemd finds fault with the unit: $verified"
  rm -rf "$runtime"
else
  fail "no systemd user unit at $unit"
fi
watcherPage=$prefix/share/man/man1/veltane-idle.1.gz
if [ -f "$watcherPage" ]; then
  warnings=$(gzip -dc "$watcherPage" | groff -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "the watcher's manual page does not format cleanly: $warnings"
else
  fail "no manual page at $watcherPage"
fi

# The sizes that the icon resource holds are its own images, pixel for pixel; the others are made from them.
for size in 16 32 48; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/veltane.png
  if [ ! -f "$icon" ]; then
    fail "no icon at $icon"
    continue
  fi
  [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${size}x${size}" ] ||
    fail "$icon is not a ${size}x${size} PNG: $(identify -format '%m %wx%h' "$icon")"
  frame=$(identify -format '%p %w\n' "$ico" 2>/dev/null | awk -v size="$size" '$2 == size { print $1; exit }')
  if [ -n "$frame" ]; then
    differing=$(compare -metric AE "$ico[$frame]" "$icon" null: 2>&1)
    [ "$differing" = 0 ] || fail "$icon differs from the icon resource's ${size}x${size} image in $differing pixels"
  fi
done

render=$prefix/bin/veltane-render
if [ "$withRender" = ON ]; then
  [ -f "$render" ] && [ -x "$render" ] || fail "$render is not an executable file"
else
  [ ! -e "$render" ] || fail "$render is installed, but this build has no such tool"
fi

[ "$failures" -eq 0 ] || exit 1
echo "ok: $prefix"
