#!/usr/bin/env bash
# Makes docs/image_list_page.png: a card image with a few HuCard ROMs, shown
# on the image list page of the window at its first-start size under a
# private Xvfb display, and docs/config_window.png: the configuration window
# at its default size.
#   tools/screenshot/make_screenshot.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
work=$(mktemp -d)
trap 'kill "${xvfb:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT
. "$top/tools/screenshot/japanese_font.sh"

truncate -s 1G "$work/card.img"
"$build/vmk" card format "$work/card.img" >/dev/null
names=("Space Harrier" "Bomberman '94" "Dungeon Explorer" "Neutopia II" "Gradius" "ボンバーマン")
for i in "${!names[@]}"; do
    head -c $(( (i % 3 + 1) * 0x20000 )) /dev/urandom >"$work/rom$i.pce"
    "$build/vmk" card add_withname "$work/card.img" "$work/rom$i.pce" "${names[$i]}" >/dev/null
done

Xvfb :91 -screen 0 1280x1024x24 -nolisten tcp &
xvfb=$!
sleep 1
mkdir -p "$top/docs"
ASAN_OPTIONS=detect_leaks=0 DISPLAY=:91 "$build/card-pages-shot" "$work/card.img" "$top/docs/image_list_page.png" \
    "$top/docs/config_window.png"
echo "$top/docs/image_list_page.png $top/docs/config_window.png"
