#!/bin/sh
# Runs MATE's screen saver on $DISPLAY as a MATE session runs it, with a tree installed under the prefix /usr
# into <staged root> laid over the system's /usr in a mount namespace of its own: the host reads themes only
# from the data folders and runs their commands only from its own folders of display modes, both under /usr.
# Its settings and session bus are private to the run; the theme is selected by its id, the saver is
# activated, and the script waits until it is stopped. Everything it starts is in one process group, whose
# id is the script's process id.
# Usage: mate_session.sh <staged root> <home> <theme id>
set -eu
root=$1
home=$2
theme=$3

if [ "${VELTANE_IN_NAMESPACE:-}" != 1 ]; then
  # Root may make a mount namespace as it is; anyone else makes it inside a user namespace of their own.
  namespace="--mount"
  [ "$(id -u)" -eq 0 ] || namespace="--user --map-root-user --mount"
  # shellcheck disable=SC2086
  VELTANE_IN_NAMESPACE=1 exec setsid unshare $namespace sh "$0" "$@"
fi

mount -t overlay overlay -o "lowerdir=$root/usr:/usr" /usr

mkdir -p "$home/.config/glib-2.0/settings"
cat >"$home/.config/glib-2.0/settings/keyfile" <<EOF
[org/mate/screensaver]
mode='single'
themes=['$theme']
lock-enabled=false
idle-activation-enabled=false
EOF

export HOME="$home" XDG_CONFIG_HOME="$home/.config" GSETTINGS_BACKEND=keyfile XDG_CURRENT_DESKTOP=MATE \
  NO_AT_BRIDGE=1
exec dbus-run-session -- sh -c '
  mate-screensaver --no-daemon &
  tries=0
  until mate-screensaver-command --query >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 300 ] || exit 1
    sleep 0.1
  done
  mate-screensaver-command --activate
  wait'
