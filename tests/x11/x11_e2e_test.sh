#!/usr/bin/env bash
# The Linux program end to end on a private Xvfb display: windows of another
# client (window_holder, standing in for xscreensaver, holding ButtonPress)
# and windows destroyed under it, its own window with real key presses and
# the keypad, signals, bad input, the settings file and the settings
# description; then on the same display under Debian's openbox and twm.
# Screen 1 is 8-bit: no RGBA OpenGL there.
#   x11_e2e_test.sh VELTHRA WINDOW_HOLDER VELTHRA_XML DISPLAY_DOUBLE
set -u
velthra=$1 holder=$2 xml=$3 double=$4
work=$(mktemp -d)
cleanup() {
  exec 4>&- 5>&- 2>/dev/null
  [ -n "${wm:-}" ] && kill -9 "$wm" 2>/dev/null
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
  wait_for 'own=$(timeout 5 xdotool search --onlyvisible --name "^Velthra$" 2>/dev/null | head -1); [ -n "$own" ]'
}
fills_screen() {  # module 3's sky at the corners and edges of the 800x600 screen
  local p
  for p in "4 4" "795 4" "4 595" "795 595" "400 4" "4 300"; do
    # shellcheck disable=SC2086
    is_sky root $p || return 1
  done
}
root_windows() { xwininfo -root -children | grep -c '^ *0x'; }
start_wm() {  # COMMAND...: a window manager on the display, once it has made its own windows
  local before
  before=$(root_windows)
  "$@" >"$work/$1.log" 2>&1 &
  wm=$!
  wait_for "[ \$(root_windows) -gt $before ]" 5 && sleep 0.5
}
stop_wm() {  # SIGTERM, and SIGKILL for one that ignores it
  kill -TERM "$wm" 2>/dev/null
  wait_for "! kill -0 $wm 2>/dev/null" 2 || { echo "    $wm ignored SIGTERM"; kill -9 "$wm" 2>/dev/null; }
  wait "$wm" 2>/dev/null
  check "the window manager has ended" "! kill -0 $wm 2>/dev/null"
  wm=
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

echo "== its own window: the keypad, steering keys, Esc, the settings file without the switches' values"
VELTHRA_SAMPLES=4 "$velthra" --modules 3 --speed 3 --cycle 5 >"$work/params" &
pid=$!
check "opens a 640x360 window on the 800x600 screen and draws" \
  "own_window && xwininfo -id \$own | grep -Eq 'geometry 640x360\+80\+120' && wait_for 'is_sky \$own 320 10'"
vert_after() {  # KEY...: presses them and F11; prints the g_fVert that F11 then shows
  local n
  n=$(grep -c g_fVert "$work/params")
  xdotool key "$@" F11
  wait_for "[ \$(grep -c g_fVert $work/params) -gt $n ]" 3 && grep g_fVert "$work/params" | tail -1 | awk '{print $2}'
}
xdotool windowfocus --sync "$own"
check "the keypad steers with NumLock off: KP_Up is Up" "[ \$(vert_after KP_Up) = -3.900000 ]"
xdotool key Num_Lock
check "and with NumLock on: KP_8 is keypad 8, KP_7 does nothing" "[ \$(vert_after KP_Up KP_Home) = -3.800000 ]"
xdotool key Num_Lock
check "NumLock off again: KP_Home is Home, the built-in view" "[ \$(vert_after KP_Home) = -4.000000 ]"
xdotool key Next key Next
check "keys changed the view, Esc ends with status 0" \
  "wait_for 'sleep 0.3; xdotool key Escape; ! kill -0 $pid 2>/dev/null' && ended $pid && [ \$rc = 0 ]"
grep -E "mod3 (depth|speed)|cycle" "$settings"
check "the changed view is stored" "grep -Eq '^mod3 depth = [0-9]+$' $settings && ! grep -q '^mod3 depth = 2000$' $settings"
check "--speed 3 and --cycle 5 are not" \
  "[ \$(grep -c '^mod[123] speed = 50$' $settings) = 3 ] && grep -q '^cycle time = 30$' $settings"

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

echo "== windows destroyed under it (as by the settings dialog), --root --window-id, no depth buffer"
mkfifo "$work/renew.in"
exec 5<>"$work/renew.in"
"$holder" 780 580 <"$work/renew.in" >"$work/renew.out" 4>&- 5>&- &
wait_for "test -s $work/renew.out"
endings=
for i in 1 2 3 4 5; do
  window=$(tail -1 "$work/renew.out")
  "$velthra" --root --window-id "$window" --modules 3 2>"$work/err" &
  pid=$!
  wait_for "is_sky $window 120 5 >/dev/null" || endings+=" never-drew"
  sleep "0.$((i * 2 - 2))"
  echo renew >&5
  ended "$pid" >/dev/null
  grep -q "X Error" "$work/err" && rc+=-X-Error
  [ "$(wc -l <"$work/err")" -le 1 ] || rc+=-lines
  endings+=" $rc"
done
echo "    endings:$endings"
check "--root --window-id draws into the given window; destroyed five times, it ends with status 0, quietly" \
  "[ '$endings' = ' 0 0 0 0 0' ]"
(sleep 6; echo quit) | "$holder" 160 120 nodepth >"$work/nodepth" &
wait_for "test -s $work/nodepth"
VELTHRA_FRAMES=3 "$velthra" --window-id "$(cat "$work/nodepth")" 2>"$work/err"
rc=$?
cat "$work/err"
check "a given window without a depth buffer: one warning, and it draws (status $rc)" \
  "[ $rc = 0 ] && [ \$(wc -l <$work/err) = 1 ] && grep -q 'no depth buffer' $work/err"
VELTHRA_SAMPLES=4 VELTHRA_FRAMES=3 "$velthra" --window-id "$(cat "$work/nodepth")" 2>"$work/err"
rc=$?
check "... and none when it draws through its offscreen buffer (status $rc)" "[ $rc = 0 ] && [ ! -s $work/err ]"

echo "== pacing by the monitor under the window (monitors and swap control of display_double.c)"
VELTHRA_TEST_MONITORS=400x600+0+0@60,200x600+400+0@144,200x600+600+0@0 VELTHRA_TEST_SWAP_LOG=$work/swaps \
  LD_PRELOAD=$double "$velthra" --fps --modules 1 2>"$work/fps" &
pid=$!
check "its own window fits the primary monitor; at 60 Hz the swap interval is 2" \
  "own_window && xwininfo -id \$own | grep -q 'geometry 320x180+40+210' && wait_for 'grep -qx \"interval 2\" $work/swaps'"
xdotool windowmove "$own" 340 100
check "moved onto the 144 Hz monitor: 5" "wait_for 'tail -1 $work/swaps | grep -qx \"interval 5\"'"
xdotool windowmove "$own" 540 100
check "onto one of unknown rate: 0, the clock alone" "wait_for 'tail -1 $work/swaps | grep -qx \"interval 0\"'"
kill -TERM "$pid"
ended "$pid"
check "--fps says each" "grep -q '^velthra: 144 Hz, 5 refreshes per frame$' $work/fps && grep -q 'refresh rate unknown' $work/fps"

under_wm() {  # NAME: --fullscreen fills the screen, has the focus and ends on Esc
  "$velthra" --fullscreen --modules 3 2>"$work/err" &
  pid=$!
  check "$1: --fullscreen fills the screen" "own_window && wait_for fills_screen"
  check "$1: it has the focus, Esc ends it with status 0" \
    "wait_for '[ \$(xdotool getwindowfocus) = \$own ]' 5 && xdotool key Escape && ended $pid && [ \$rc = 0 ]"
  check "$1: no X error" "! grep -q 'X Error' $work/err"
}
echo "== under openbox"
start_wm openbox --sm-disable
under_wm openbox
"$velthra" --modules 3 2>"$work/err" &
pid=$!
check "openbox: its own window is framed, 640x360, and has the focus" \
  "own_window && xwininfo -id \$own | grep -q 'Width: 640' && ! xwininfo -id \$own | grep -q 'Absolute upper-left Y:  0' &&
   wait_for '[ \$(xdotool getwindowfocus) = \$own ]' 5"
xdotool key q
check "openbox: q ends it with status 0" "ended $pid && [ \$rc = 0 ]"
stop_wm

echo "== under twm"
printf '%s\n' RandomPlacement 'UsePPosition "on"' 'TitleFont "fixed"' 'ResizeFont "fixed"' 'MenuFont "fixed"' \
  'IconFont "fixed"' 'IconManagerFont "fixed"' >"$work/twmrc"
# Started with SIGTERM ignored, as some window managers are: stop_wm must end it all the same.
LANG=C start_wm bash -c 'trap "" TERM; exec twm -f "$0"' "$work/twmrc"
under_wm twm
stop_wm

echo "== the display goes away"
"$velthra" &
pid=$!
own_window
kill "$xvfb"
check "it ends without a core dump" "ended $pid && [ \$rc -lt 128 ]"

exit $((fails > 0))
