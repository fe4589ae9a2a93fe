#!/usr/bin/env bash
# Runs a command as an ordinary user. Not root: the command runs as it is. Root (as in CI): it runs as
# nobody, with a private home, runtime folder and temporary folder of its own, since compositors refuse to
# run as root and root ignores file permissions. The exit status is the command's.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec "$@"
fi

user=nobody
group=$(id -gn "$user")

# The user must reach the command and the tree it lives in: give every folder above them the search bit
# (not the read bit) where it lacks one, as a checkout under /root does.
reach() {
  local dir
  dir=$(dirname "$(readlink -f "$1")")
  while [ "$dir" != "/" ]; do
    if ! setpriv --reuid="$user" --regid="$group" --clear-groups test -x "$dir"; then
      chmod o+x "$dir"
    fi
    dir=$(dirname "$dir")
  done
}
reach "$(command -v "$1")"
reach "$(dirname "$0")"

home=$(mktemp -d /tmp/veltane-user.XXXXXX)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run" "$home/config" "$home/tmp"
chown -R "$user:$group" "$home"
chmod 700 "$home"

status=0
env HOME="$home" USER="$user" LOGNAME="$user" XDG_RUNTIME_DIR="$home/run" XDG_CONFIG_HOME="$home/config" \
  TMPDIR="$home/tmp" setpriv --reuid="$user" --regid="$group" --clear-groups -- "$@" || status=$?
exit "$status"
