#!/usr/bin/env bash
# The Debian package as a user meets it: made from the build tree given as
# the argument, its metadata valid, lintian without errors, and its launcher,
# unpacked into a scratch root and started from an empty folder on a virtual
# display, bringing up an editor that previews a fragment into a working
# folder of its own; a second editor at the same time gets another folder,
# and a folder is free again once its editor has ended.
#
# The editors run on a virtual display of their own (Xvfb picks a free
# number), or on the X display RAVIK_TEST_DISPLAY names (":98").
set -euo pipefail

build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
groups=()
xvfb=""
cleanup() {
  for g in "${groups[@]}"; do kill -- "-$g" 2>/dev/null || true; done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits up to $1 seconds for the command after it to succeed.
within() {
  local seconds=$1; shift
  for _ in $(seq $((seconds * 5))); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

(cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1) || fail "cpack: $(cat "$scratch/cpack.log")"
deb=$(echo "$scratch"/package/ravik_*.deb)
root="$scratch/root"
dpkg-deb -x "$deb" "$root"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6webenginewidgets6 libqt6widgets6 libc6 fonts-noto-cjk qt6-translations-l10n; do
  [[ ",$depends," =~ [,\ ]$needed[\ ,] ]] || fail "Depends lacks $needed: $depends"
done

id=org.ravik.Ravik
desktop-file-validate "$root/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null
grep -qx "Icon=$id" "$root/usr/share/applications/$id.desktop" || fail "the menu entry names another icon"
for icon in scalable/apps/$id.svg 48x48/apps/$id.png 256x256/apps/$id.png; do
  [ -s "$root/usr/share/icons/hicolor/$icon" ] || fail "icon $icon is missing"
done
lintian --fail-on error "$deb" 2>/dev/null
# The editor runs its publish check from the program beside it.
[ -x "$root/usr/libexec/ravik-publish-check" ] || fail "the publish check is not installed beside the program"

if [ -n "${RAVIK_TEST_DISPLAY:-}" ]; then
  export DISPLAY="$RAVIK_TEST_DISPLAY"
else
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
  xvfb=$!
  within 10 test -s "$scratch/display" || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$scratch/display")"
fi
export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/runtime"
unset XDG_DATA_HOME QT_QPA_PLATFORM
mkdir -p "$HOME" "$scratch/empty" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
instances="$HOME/.local/share/ravik/instances"

# Starts the unpacked launcher in a process group of its own (the editor
# and its browser processes end together); the editor's pid goes to $editor.
start_editor() {
  (cd "$scratch/empty" && exec setsid "$root/usr/bin/ravik" >>"$scratch/editor.log" 2>&1) &
  editor=$!
  groups+=("$editor")
}
working_folder() { readlink "/proc/$1/cwd"; }

start_editor
first=$editor
within 30 xdotool search --all --onlyvisible --pid "$first" --name "淘宝代码编辑器" || fail "no window; log: $(cat "$scratch/editor.log")"
[ "$(working_folder "$first")" = "$instances/1" ] || fail "first editor works in $(working_folder "$first")"
window=$(xdotool search --all --onlyvisible --pid "$first" --name "淘宝代码编辑器" | head -1)
xdotool windowfocus --sync "$window"
xdotool mousemove --window "$window" 600 300 click 1   # into the code pane
xdotool type --delay 5 '<p id="from-the-package">ravik</p>'
xdotool key ctrl+Tab                                    # to the live preview
page="$instances/1/files/cache.html"
within 20 grep -q 'id="from-the-package"' "$page" || fail "no cache page with the fragment; log: $(cat "$scratch/editor.log")"
head -c 15 "$page" | grep -qx '<!DOCTYPE html>' || fail "the cache page lacks the storefront's head"
within 20 pgrep -P "$first" -f QtWebEngineProcess || fail "the embedded browser did not start"
[ -z "$(ls -A "$scratch/empty")" ] || fail "the editor wrote into the folder it was started from"

start_editor
second=$editor
within 30 xdotool search --all --onlyvisible --pid "$second" --name "淘宝代码编辑器" || fail "no second window"
[ "$(working_folder "$second")" = "$instances/2" ] || fail "second editor works in $(working_folder "$second")"

kill -- "-$first"
within 10 sh -c "! kill -0 $first" || fail "the first editor did not end"
start_editor
third=$editor
within 30 test -d "/proc/$third/cwd/files" || fail "no third editor"
[ "$(working_folder "$third")" = "$instances/1" ] || fail "the first folder was not free again: $(working_folder "$third")"
echo "package $(basename "$deb"): valid, lintian without errors, editor started and previewed"
