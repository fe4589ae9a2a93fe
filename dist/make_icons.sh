#!/bin/sh
# Makes the installed icon PNGs from the program's icon resource: 16 and 32 pixels are its own two images,
# unchanged; 48 pixels is the 32-pixel image enlarged with a Mitchell filter, which keeps the 16-colour
# edges smooth without the halos of a sharper filter. The PNGs are committed; run this again after the
# icon changes.
# Usage: dist/make_icons.sh [icon file, res/icon/135.ico by default]
set -eu
cd "$(dirname "$0")/.."
ico=${1:-res/icon/135.ico}
out=dist/icons

frame() {
  identify -format '%p %w\n' "$ico" | awk -v size="$1" '$2 == size { print $1; exit }'
}

# Leave out the time stamps so that the same icon always gives the same bytes.
png() {
  target=$1
  shift
  convert "$@" -strip -define png:exclude-chunks=date,time "png32:$target"
}

mkdir -p "$out"
for size in 16 32; do
  index=$(frame "$size")
  [ -n "$index" ] || { echo "$ico has no ${size}x${size} image" >&2; exit 1; }
  png "$out/veltane-$size.png" "$ico[$index]"
done
png "$out/veltane-48.png" "$out/veltane-32.png" -filter Mitchell -resize 48x48
identify "$out"/veltane-*.png
