#!/bin/sh
# Checks the Debian package made from a build tree, in steps that share one work folder:
#   build <work> <cpack> <build dir> <version>     makes the package, installs it into <work>/root with dpkg
#   contents <work> <cmake> <build dir> <version> <LICENSE>
#                                                  control fields, dependencies, licence, files against the
#                                                  install rules
#   validate <work>                                desktop entry, AppStream description, lintian
#   remove <work>                                  removal leaves nothing behind
# Any user can run it: dpkg works on its own scratch root and database, without root's rights.
set -u
step=$1
work=$2
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

finish() {
  [ "$failures" -eq 0 ] || exit 1
  echo "ok: $step"
  exit 0
}

# Runs a command quietly, showing what it said only when it fails.
quietly() {
  log=$work/$step.log
  "$@" >"$log" 2>&1 && return 0
  cat "$log"
  return 1
}

# dpkg checks that the tools it may call are on the PATH, and an ordinary user's PATH has no sbin folders.
inRoot() {
  PATH="$PATH:/usr/sbin:/sbin" dpkg --root="$work/root" --force-not-root --log=/dev/null "$@"
}

# Every entry of a tree as "<type> <path> <link target>", sorted; the dpkg database is left out.
listTree() {
  (cd "$1" && find . -path ./var -prune -o -printf '%y %p %l\n' | sort)
}

deb() {
  echo "$work/out/veltane_$1_$(dpkg --print-architecture).deb"
}

case $step in
build)
  cpack=$3
  build=$4
  version=$5
  rm -rf "$work"
  mkdir -p "$work/root/var/lib/dpkg/info" "$work/root/var/lib/dpkg/updates"
  touch "$work/root/var/lib/dpkg/status" "$work/root/var/lib/dpkg/available"
  quietly "$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" || fail "cpack could not make the package"
  made=$(ls "$work/out"/*.deb 2>/dev/null)
  [ "$made" = "$(deb "$version")" ] || fail "cpack made '$made', not $(deb "$version")"
  # The scratch root has none of the libraries, so only the dependencies are let go unmet.
  quietly inRoot --force-depends -i "$(deb "$version")" || fail "dpkg could not install the package"
  finish
  ;;
contents)
  cmake=$3
  build=$4
  version=$5
  package=$(deb "$version")
  field() {
    dpkg-deb -f "$package" "$1"
  }
  [ "$(field Package)" = veltane ] || fail "Package is '$(field Package)'"
  [ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not the project's $version"
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
  [ "$(field Section)" = x11 ] || fail "Section is '$(field Section)', not x11"
  [ "$(field Suggests)" = xscreensaver ] || fail "Suggests is '$(field Suggests)', not xscreensaver"
  [ "$(field Recommends)" = qt6-wayland ] || fail "Recommends is '$(field Recommends)', not qt6-wayland"
  [ -z "$(field Homepage)" ] || fail "a Homepage, $(field Homepage), but the project has no web address"
  [ "$(field Description | sed -n 1p)" = "screen saver with a taper burning on a black screen" ] ||
    fail "the short description is '$(field Description | sed -n 1p)'"
  [ "$(field Description | sed 1d | grep -c -v '^ \.$')" -ge 4 ] || fail "the long description is missing or short"

  # The saver needs libX11, the configuration mode Qt's widgets and the idle watcher GLib; a host is never a
  # dependency.
  depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
  for needed in libx11-6 libqt6widgets6 libglib2.0-0; do
    echo "$depends" | grep -qx "$needed" || fail "Depends lacks $needed: $(field Depends)"
  done
  echo "$depends" | grep -qx xscreensaver && fail "Depends names xscreensaver: $(field Depends)"

  # The licence, in Debian's machine-readable form: every file under MIT, with the source tree's text.
  licence=$6
  copyright=$work/root/usr/share/doc/veltane/copyright
  [ "$(sed -n 1p "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "the copyright file is not in the machine-readable form"
  [ "$(awk '/^Files: \*$/ { files = 1 } files && /^License:/ { print $2; exit }' "$copyright")" = MIT ] ||
    fail "the copyright file does not put every file under MIT"
  text=$(awk '/^License: MIT$/ { p = 1; next } p && /^ / { sub(/^ /, ""); if ($0 == ".") $0 = ""; print; next } { p = 0 }' "$copyright")
  [ "$text" = "$(sed 1,4d "$licence")" ] || fail "the copyright file's MIT text is not that of $licence"

  # What dpkg installed is what the install rules install under /usr: the same paths, the link as a link.
  rm -rf "$work/stage"
  quietly env DESTDIR="$work/stage" "$cmake" --install "$build" --prefix /usr || fail "cmake --install failed"
  listTree "$work/stage" >"$work/expected"
  listTree "$work/root" >"$work/installed"
  diff -u "$work/expected" "$work/installed" || fail "the package's files differ from the install rules'"
  finish
  ;;
validate)
  usr=$work/root/usr
  for entry in veltane-settings.desktop screensavers/veltane.desktop; do
    quietly desktop-file-validate "$usr/share/applications/$entry" || fail "$entry does not validate"
  done
  # The project has no web domain to write its id under in reverse, so that one warning is only noted.
  quietly appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
    "$usr/share/metainfo/veltane.metainfo.xml" || fail "the AppStream description does not validate"
  licence=$(xmllint --xpath 'string(/component/project_license)' "$usr/share/metainfo/veltane.metainfo.xml")
  [ "$licence" = MIT ] || fail "the AppStream description names the licence '$licence', not MIT"
  package=$(ls "$work/out"/*.deb)
  # Warnings are shown but pass: some cannot apply to a package that CPack makes.
  lintian --fail-on error "$package" >"$work/lintian.log" 2>&1
  status=$?
  grep -v 'running with root privileges' "$work/lintian.log"
  [ "$status" -eq 0 ] || fail "lintian reports errors"
  finish
  ;;
remove)
  quietly inRoot -r veltane || fail "dpkg could not remove the package"
  left=$(cd "$work/root" && find . -mindepth 1 -path ./var -prune -o -print)
  [ -z "$left" ] || fail "removal left: $left"
  finish
  ;;
*)
  echo "unknown step: $step" >&2
  exit 2
  ;;
esac
