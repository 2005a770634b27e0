#!/usr/bin/env bash
# The Linux program end to end on a private Xvfb display: windows of another
# client (window_holder, standing in for xscreensaver, holding ButtonPress),
# its own window with real key presses, signals, bad input, the settings file
# and the settings description. Screen 1 is 8-bit: no RGBA OpenGL there.
#   x11_e2e_test.sh VELTHRA WINDOW_HOLDER VELTHRA_XML
set -u
velthra=$1 holder=$2 xml=$3
work=$(mktemp -d)
cleanup() {
  exec 4>&- 5>&- 2>/dev/null
  kill "${xvfb:-}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
. "$(dirname "$0")/../support/x11_checks.sh"
ended() {  # PID [SECONDS]: the process ends in time; its status in $rc
  wait_for "! kill -0 $1 2>/dev/null" "${2:-5}" || { kill -9 "$1"; wait "$1"; rc=killed; return 1; }
  wait "$1"
  rc=$?
  echo "    status $rc"
}
own_window() {  # the window of our own, once mapped
  wait_for 'own=$(xdotool search --onlyvisible --name "^Velthra$" 2>/dev/null | head -1); [ -n "$own" ]'
}

start_xvfb "$work" -screen 0 800x600x24 -screen 1 320x240x8
export XDG_CONFIG_HOME=$work/config
settings=$work/config/velthra/settings

mkfifo "$work/holder.in"
exec 4<>"$work/holder.in"
"$holder" 320 240 <"$work/holder.in" >"$work/holder.out" 4>&- &
wait_for "test -s $work/holder.out"
given=$(head -1 "$work/holder.out")

echo "== a window of another client: --window-id, resized, SIGTERM"
# Through a 4-sample offscreen buffer, which must follow the window's size.
VELTHRA_SAMPLES=4 "$velthra" --window-id "$given" --modules 3 &
pid=$!
check "draws into the given window" "wait_for 'is_sky $given 300 10'"
echo "size 640 480" >&4
check "follows its new size" "wait_for 'is_sky $given 620 20'"
kill -TERM "$pid"
check "SIGTERM ends it within a second with status 0" "ended $pid 1 && [ \$rc = 0 ]"
echo geometry >&4
check "the window is left where and as it was" "wait_for 'tail -1 $work/holder.out | grep -qx \"10 10 640 480 1\"'"

echo "== XSCREENSAVER_WINDOW with --root, module cycling, SIGINT"
echo "size 400 300" >&4
echo clear >&4
check "the old frame is gone" "wait_for '! is_sky $given 390 5'"
XSCREENSAVER_WINDOW=$((given)) "$velthra" --root --modules 1,3 --cycle 1 &
pid=$!
check "draws into XSCREENSAVER_WINDOW (given in decimal), module 3 after module 1" "wait_for 'is_sky $given 390 5'"
kill -INT "$pid"
check "SIGINT ends it within a second with status 0" "ended $pid 1 && [ \$rc = 0 ]"

echo "== its own window: a steering key, Esc, the settings file"
VELTHRA_SAMPLES=4 "$velthra" --modules 3 &
pid=$!
check "opens a 1280x720 window and draws" "own_window && wait_for 'is_sky \$own 640 10'"
xdotool windowfocus --sync "$own" key Next key Next
check "a key changed the view, Esc ends with status 0" \
  "wait_for 'sleep 0.3; xdotool key Escape; ! kill -0 $pid 2>/dev/null' && ended $pid && [ \$rc = 0 ]"
grep "mod3 depth" "$settings"
check "the changed view is stored" "grep -Eq '^mod3 depth = [0-9]+$' $settings && ! grep -q '^mod3 depth = 2000$' $settings"

echo "# a note of the user's" >>"$settings"  # a rewrite would drop it
cp "$settings" "$work/before"
"$velthra" --fullscreen --modules 1 &
pid=$!
check "--fullscreen covers the screen by its own geometry" \
  "own_window && xwininfo -id \$own | grep -Eq 'geometry 800x600\+0\+0'"
xdotool windowfocus --sync "$own" key q
check "q ends it with status 0" "ended $pid && [ \$rc = 0 ]"
"$velthra" &
pid=$!
own_window && echo "close $own" >&4
check "WM_DELETE_WINDOW ends it with status 0" "ended $pid && [ \$rc = 0 ]"
check "without a key the file is not rewritten" "cmp $work/before $settings"

echo "== bad input"
for bad in "--bogus" "-modules 4" "--cycle" "--window-id zz" "--speed 99" "--root --fullscreen"; do
  # shellcheck disable=SC2086  # one switch line per case
  "$velthra" $bad 2>"$work/err"
  rc=$?
  check "'$bad' exits 2 with one usage line (status $rc)" \
    "[ $rc = 2 ] && [ \$(wc -l <$work/err) = 1 ] && grep -q 'usage: velthra' $work/err"
done
printf 'mod1 depth = \x01\x02\nmod2 active = yes\ncycle time = 99999999999\n\0\0garbage' >"$settings"
cp "$settings" "$work/before"
VELTHRA_FRAMES=3 "$velthra" --window-id "$given"
rc=$?
check "a damaged settings file starts it (status $rc) and stays as it was" "[ $rc = 0 ] && cmp $work/before $settings"
(sleep 2; echo quit) | "$holder" 100 100 nogl >"$work/nogl" &
wait_for "test -s $work/nogl"
"$velthra" --window-id "$(cat "$work/nogl")" 2>"$work/err"
rc=$?
cat "$work/err"
check "a window without OpenGL: one line, status 1 (status $rc)" "[ $rc = 1 ] && [ \$(wc -l <$work/err) = 1 ]"

echo "== velthra.xml"
args=$(python3 - "$xml" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.get("gl") == "yes", "gl"
args = [root.find("command").get("arg")]
for e in root.iter():  # one value of every option, away from its default
    if e.tag == "number":
        args += e.get("arg").replace("%", e.get("high")).split()
    elif e.tag == "boolean":
        args += e.get("arg-set").split()
    elif e.tag == "select":
        args += e.findall("option")[-1].get("arg-set").split()
print(" ".join(args))
PY
)
echo "    $args"
# shellcheck disable=SC2086
XSCREENSAVER_WINDOW=$given VELTHRA_FRAMES=3 "$velthra" $args 2>/dev/null
rc=$?
check "accepts every option of velthra.xml at once (status $rc)" "[ $rc = 0 ] && grep -q -- '--root --modules' <<<'$args'"

echo "== the display goes away"
"$velthra" &
pid=$!
own_window
kill "$xvfb"
check "it ends without a core dump" "ended $pid && [ \$rc -lt 128 ]"

exit $((fails > 0))
