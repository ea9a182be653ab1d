#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window on a real X server (Xvfb), driven through the X server as a user would:
# - Qt's own options after the first argument (-title, -reverse, -style) are ignored: the
#   window carries its own caption;
# - a mouse click on a page's tab takes the focus from the caption-less exit button, so a
#   Space pressed next does not end the program and lose what was typed;
# - in the page row, the Right arrow and the mouse wheel pass over the page without a tab:
#   four steps from the "Программатор" page reach the empty last page;
# - the window's class is the menu entry's StartupWMClass, even when the program is started
#   by another name, so that a dock matches the two.
# Usage: window_x11.sh BUILD_FOLDER
set -euo pipefail
self=$(realpath "$0")

if [[ "${1:-}" == --inside-xvfb ]]; then
  programmer=$2 work=$3
  fail() { echo "window_x11: FAILED: $*" >&2; exit 1; }
  cd "$work"
  ln -s "$programmer" "$work/started-by-another-name"
  env -u QT_QPA_PLATFORM "$work/started-by-another-name" x -title Fremd -reverse -style Fusion 2>"$work/window.log" &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT
  id=""
  for _ in $(seq 150); do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/Tarvel  v22\.1/ { print $1; exit }')
    [[ -n "$id" ]] && break
    kill -0 "$pid" 2>/dev/null || fail "the window ended at start: $(cat "$work/window.log")"
    sleep 0.1
  done
  [[ -n "$id" ]] || fail "no window carries the program's caption (-title was obeyed?)"
  wm_class=$(xwininfo -root -tree | grep -m1 "^ *$id " | sed -n 's/.*: ("[^"]*" "\([^"]*\)").*/\1/p')
  desktop_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$self")/../../data/org.tarvel.Programmer.desktop")
  [[ -n "$wm_class" && "$wm_class" == "$desktop_class" ]] ||
    fail "the window's class '$wm_class' is not the menu entry's StartupWMClass '$desktop_class'"
  sleep 1 # the first paint

  # Page tabs of PageControl1 (1, 4 in the window): the title page's icon-only tab, then
  # "Программатор"; a point well inside the second tab.
  xdotool mousemove --window "$id" 70 14 click 1
  sleep 0.3
  xdotool key --clearmodifiers space
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "a Space after a click on a tab ended the program"

  # From the "Программатор" page, four steps to the right in the page row pass help pages
  # 1 to 3 and land on the last page, which shows empty; the page without a tab in between
  # would show its groups. Once with the Right arrow, once with the mouse wheel.
  page_colours() { # distinct colours inside the page area, below the tab row
    import -window "$id" -crop 780x420+30+60 +repage "$work/page.png"
    convert "$work/page.png" -format %k info:
  }
  for step in "key --clearmodifiers Right" "click 5"; do
    xdotool mousemove --window "$id" 70 14 click 1
    sleep 0.3
    for _ in 1 2 3 4; do
      xdotool mousemove --window "$id" 70 14 $step
      sleep 0.3
    done
    colours=$(page_colours)
    [[ "$colours" -le 2 ]] || fail "four steps right ($step) showed a page with content ($colours colours), not the empty last page"
  done
  kill -0 "$pid" 2>/dev/null || fail "the program ended during the page steps"
  exit 0
fi

build=$(cd "${1:-build}" && pwd)
programmer="$build/src/app/tarvel-programmer"
[[ -x "$programmer" ]] || { echo "window_x11: $programmer is not built" >&2; exit 1; }
for tool in xvfb-run xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "window_x11: $tool is missing (scripts/install-deps)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-noreset -screen 0 1280x1024x24" bash "$self" --inside-xvfb "$programmer" "$work"
echo "window_x11: passed"
