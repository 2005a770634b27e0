#!/usr/bin/env bash
# The installer of `make dist` (run it first): its tables as msiinfo reads
# them, then, in a fresh Wine prefix whose msiexec is an MSI engine of its
# own, one life cycle: silent install, the installed saver drawing and ending
# on a mouse move, an interactive upgrade to a package with the patch number
# raised, the older package refused, silent removal. A user's settings
# outlive it all.
#
#   tests/release/msi_test.sh
set -u
cd "$(dirname "$0")/../.."
root=$PWD
fail() { echo "msi_test: $*" >&2; exit 1; }
version=$(sed -nE 's/^project\(velthra VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
msi=build/dist/velthra-$version-x64.msi
[ -f "$msi" ] || fail "no $msi (make dist first)"

if [ -z "${VELTHRA_WINE_SESSION:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # The tables: the file and where it goes, the entry's properties, the upgrades.
  (cd "$work" && msidump -d . "$root/$msi" >/dev/null) || fail "msidump failed"  # streams go below .
  upgrade='3F6E1C52-8D4A-4B7E-9C1F-5A2D7E0B9C64'
  while IFS=: read -r table row; do
    tr -d '\r' <"$work/$table.idt" | grep -qixF "$row" || fail "$table lacks: $row"
  done <<EOF
File:velthra.scr	Saver	velthra.scr	$(stat -c %s build/win/velthra.scr)	$version.0	0	512	1
Component:Saver	{8B0D4E27-1F3C-4A9B-B6E5-2C7D9A1F0E38}	System64Folder	256		velthra.scr
Directory:System64Folder	TARGETDIR	.
Property:ProductName	Velthra
Property:Manufacturer	Nimbrel
Property:ProductVersion	$version
Property:ALLUSERS	1
Property:ARPPRODUCTICON	velthra.ico
Property:UpgradeCode	{$upgrade}
Icon:velthra.ico	Icon.velthra.ico
Upgrade:{$upgrade}		$version		1		WIX_UPGRADE_DETECTED
Upgrade:{$upgrade}	$version			2		WIX_DOWNGRADE_DETECTED
LaunchCondition:NOT WIX_DOWNGRADE_DETECTED	A newer version of Velthra is already installed. To install this older version, first remove the newer one in Apps & features.
EOF
  [ "$(tail -n +4 "$work/Shortcut.idt" | wc -l)" = 0 ] || fail "the package makes shortcuts"

  # The next version: patch number raised, a velthra.scr of other bytes.
  next=${version%.*}.$((${version##*.} + 1))
  cp build/win/velthra.scr "$work/next.scr" && echo next >>"$work/next.scr"
  python3 scripts/make-msi.py --scr "$work/next.scr" --version "$next" --out "$work/next.msi" --epoch "$(git log -1 --format=%ct)" >/dev/null ||
    fail "cannot build the $next package"
  unset WINEPREFIX DISPLAY
  VELTHRA_BUILD_DIR=${VELTHRA_BUILD_DIR:-$root/build/win} scripts/wine-session.sh \
    --prefix "$root/build/win/wineprefix-msi" "$0" "$work" "$next" || exit 1
  echo "msi_test: ok ($msi)"
  exit 0
fi

# Inside the session.
work=$1
next=$2
system32=$WINEPREFIX/drive_c/windows/system32
w() { winepath -w "$1"; }
# Every Apps & features entry named Velthra: "key|publisher|version" a line.
entries() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { key = $0; sub(/.*\\/, "", key) } { v = $0; sub(/^ +[A-Za-z]+ +REG_SZ +/, "", v) }
         /^ +DisplayName +REG_SZ/ { name[key] = v } /^ +Publisher +REG_SZ/ { pub[key] = v }
         /^ +DisplayVersion +REG_SZ/ { ver[key] = v }
         END { for (k in name) if (name[k] == "Velthra") print k "|" pub[k] "|" ver[k] }'
}
msiexec() { wine msiexec "$@" </dev/null >/dev/null 2>&1; }
settings() { wine reg query 'HKCU\Software\Nimbrel\Velthra' /s 2>/dev/null | tr -d '\r'; }
poll() {  # poll TIMES COMMAND...: runs the command every half second until it succeeds
  local n=$1; shift
  until "$@"; do n=$((n - 1)); [ "$n" -gt 0 ] || return 1; sleep 0.5; done
}

msiexec /i "$(w "$msi")" /qn /l*v "$(w "$work/install.log")" || fail "silent install failed ($?)"
cmp "$system32/velthra.scr" build/win/velthra.scr || fail "velthra.scr is not in system32"
product=$(entries)
echo "installed: $product"
[[ "$product" =~ ^\{[0-9A-F-]{36}\}\|Nimbrel\|$version$ ]] || fail "the entry is not Velthra, Nimbrel, $version"
icon=$(wine reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | tr -d '\r' |
  sed -n 's/^ *ProductIcon *REG_SZ *//p')
cmp -s "$(winepath -u "$icon")" resources/app.ico || fail "the entry's icon is not resources/app.ico: '$icon'"
! grep -aq 'Action start.*OpenScreenSaverSettings' "$work/install.log" ||
  fail "a silent install opened the Screen Saver Settings"

# The installed saver, as the Screen Saver Settings start it.
wine 'C:\windows\system32\velthra.scr' /s </dev/null >/dev/null 2>&1 &
saver=$!
drawn() {  # green pixels on the screen scaled to a quarter: the symbols are green in every module
  green=$(import -window root png:- 2>/dev/null | convert - -scale 25% -depth 8 txt:- |
    awk -F'[(,)]' 'NR > 1 && $4 > $3 + 60 && $4 > $5 + 60 { n++ } END { print n + 0 }')
  [ "$green" -ge 50 ]
}
poll 120 drawn; echo "saver: $green green pixels of 49152"
[ "$green" -ge 50 ] || fail "the installed saver draws no scene"
moved() { xdotool mousemove $((RANDOM % 2 * 300 + 100)) 300; ! kill -0 "$saver" 2>/dev/null; }
poll 40 moved || fail "the saver did not end on a mouse move"
wait "$saver" || fail "the saver ended with $?"

# An interactive upgrade (no /q): in place, one entry, and the Screen Saver
# Settings opened, though Wine has no desk.cpl for rundll32 to load.
msiexec /i "$(w "$work/next.msi")" /l*v "$(w "$work/upgrade.log")" || fail "the upgrade failed ($?)"
cmp "$system32/velthra.scr" "$work/next.scr" || fail "the upgrade did not replace velthra.scr"
echo "upgraded: $(entries)"
[ "$(entries | cut -d'|' -f2-)" = "Nimbrel|$next" ] || fail "not exactly one entry, of $next"
grep -aq 'Action start.*OpenScreenSaverSettings' "$work/upgrade.log" &&
  grep -aqF 'RUNDLL32 = C:\windows\system32\rundll32.exe' "$work/upgrade.log" ||
  fail "the interactive install did not open the Screen Saver Settings"

# The older package, with the basic UI (/qb) so that the refusal shows its
# message (the text is the LaunchCondition row checked above).
wine msiexec /i "$(w "$msi")" /qb </dev/null >/dev/null 2>&1 &
downgrade=$!
poll 60 xdotool search --name '^Install Failed$' >"$work/box" 2>/dev/null || fail "no message for the downgrade"
xdotool windowfocus --sync "$(head -n 1 "$work/box")" key Return
wait "$downgrade" && fail "the older package was installed"
cmp -s "$system32/velthra.scr" "$work/next.scr" && [ "$(entries | cut -d'|' -f3)" = "$next" ] ||
  fail "the refused downgrade changed the installation"

settings >"$work/settings.before"  # as the saver wrote them
grep -q 'REG_DWORD' "$work/settings.before" || fail "no settings to keep"
msiexec /x "$(w "$work/next.msi")" /qn || fail "silent removal failed ($?)"
[ ! -e "$system32/velthra.scr" ] || fail "velthra.scr is still in system32"
[ -z "$(entries)" ] || fail "the entry is still there: $(entries)"
settings | diff "$work/settings.before" - || fail "removal changed the user's settings"
echo "removed: no file, no entry, the settings kept"
