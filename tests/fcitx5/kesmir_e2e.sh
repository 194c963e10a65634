#!/usr/bin/env bash
# The keyboard's fcitx5 input method end to end: fcitx5 with the addon of the build under a
# private Xvfb and D-Bus, a real Qt text box, Telex keys sent with xdotool, the box's text read
# back. Exits 77 (skipped) with a message when no X server or fcitx5's Qt module can be had.
# Leaves a screenshot in /tmp/kesmir-e2e.png.
#   kesmir_e2e.sh ADDON_DIR TEXTBOX KEYBOARD_TESTS_CPP
set -u
addon_dir=$1 textbox=$(readlink -f "$2") table=$3
here=$(dirname "$(readlink -f "$0")")
. "$here/../../keyboard/fcitx5/session.sh"

qt_module=$(find /usr/lib/*/qt6/plugins/platforminputcontexts -name 'libfcitx5platforminputcontextplugin*' 2>/dev/null | head -n 1)
[ -n "$qt_module" ] || { echo "SKIP: fcitx5's Qt 6 module is not installed (fcitx5-frontend-qt6; scripts/setup installs it)"; exit 77; }

trap 'kesmir_session_stop' EXIT
kesmir_session_start "$addon_dir" xvfb
status=$?
[ $status -eq 0 ] || { echo "SKIP: the session could not be started"; exit 77; }

out="$kesmir_session_dir/text.txt"
failures=0

# Waits until the box holds the expected text (UTF-8); reports the difference otherwise.
expect_text() {
  local expected=$1 what=$2 _
  for _ in $(seq 150); do
    [ "$(cat "$out" 2>/dev/null)" = "$expected" ] && { echo "ok: $what"; return 0; }
    sleep 0.1
  done
  echo "FAILED: $what"
  echo "  expected: $expected"
  echo "  got:      $(cat "$out" 2>/dev/null)"
  failures=$((failures + 1))
  return 1
}

kesmir_session_run "$textbox" "$out"
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'kesmir textbox' | head -n 1)
[ -n "$window" ] || { echo "FAILED: the text box did not appear"; exit 1; }
xdotool windowfocus --sync "$window"
sleep 0.3
fcitx5-remote -s kesmir
for _ in $(seq 50); do [ "$(fcitx5-remote -n 2>/dev/null)" = kesmir ] && break; sleep 0.1; done
[ "$(fcitx5-remote -n)" = kesmir ] || { echo "FAILED: fcitx5 did not switch to kesmir ($(fcitx5-remote -n))"; exit 1; }

xdotool type --delay 15 "Tieengs Vieetj cos daaus "
expect_text "Tiếng Việt có dấu " "the sentence"
import -window root /tmp/kesmir-e2e.png 2>/dev/null && echo "screenshot: /tmp/kesmir-e2e.png"

# The 200-word table of the keyboard's tests: Telex keys and the text each sentence gives.
mapfile -t strings < <(awk '/WholeSentences/{on=1} on&&/^    int words/{on=0} on' "$table" |
                       grep -o '"[^"]*"' | sed 's/^"//; s/"$//')
[ ${#strings[@]} -ge 20 ] || { echo "FAILED: the sentence table was not found in $table"; exit 1; }
xdotool key --delay 20 ctrl+a BackSpace
expect_text "" "the box emptied"
# Each sentence starts with an empty word, as in those tests: Enter, which a line edit ignores,
# ends the word (the engine's word buffer restarts every 120 characters, and a double letter
# typed across a restart is two letters).
expected=""
for ((k = 0; k + 1 < ${#strings[@]}; k += 2)); do
  xdotool type --delay 15 "${strings[k]} "
  xdotool key Return
  expected+="${strings[k + 1]} "
done
expect_text "$expected" "the 200-word table ($(( ${#strings[@]} / 2 )) sentences)"

if [ $failures -ne 0 ]; then
  echo "fcitx5's log:"; tail -n 20 "$kesmir_session_dir/fcitx5.log"
  exit 1
fi
echo "Telex typed into a Qt text box through fcitx5 and kesmir came out exactly"
