# Shell helpers of the Linux program's tests (sourced): polling, checks that
# count failures, pixels of X windows, and a private Xvfb display.
fails=0
wait_for() {  # CONDITION [SECONDS]: polls every 0.1 s
  local n=$((${2:-10} * 10))
  until eval "$1"; do
    n=$((n - 1))
    [ "$n" -gt 0 ] || return 1
    sleep 0.1
  done
}
check() {  # DESCRIPTION CONDITION
  if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails + 1)); fi
}
pixel() {  # WINDOW X Y: "r g b"
  import -window "$1" -crop "1x1+$2+$3" +repage -depth 8 rgb:- 2>/dev/null | od -An -tu1 | xargs
}
is_sky() {  # WINDOW X Y: the blue of module 3's sky (black where nothing is drawn)
  local r g b
  read -r r g b <<<"$(pixel "$@")"
  echo "    pixel $2,$3 of $1: ${r:-none} ${g:-} ${b:-}"
  [ -n "${b:-}" ] && [ "$b" -gt $((r + 30)) ]
}
start_xvfb() {  # WORKDIR XVFB-ARGS...: sets DISPLAY and $xvfb (the server's pid)
  local work=$1
  shift
  Xvfb -displayfd 3 "$@" -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  wait_for "test -s $work/display" || { echo "FAIL Xvfb did not start"; exit 1; }
  export DISPLAY=:$(cat "$work/display")
}
