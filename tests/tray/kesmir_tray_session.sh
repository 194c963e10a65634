#!/usr/bin/env bash
# KESMIR in a private desktop session with fcitx5 and the input method of the build: starting it
# switches our input method on (putting it into the group when it is not there) in every window,
# also in one opened later, a second start ends at once with 0 and leaves the first running,
# "&Unload" (and the session's end, SIGTERM) switch the input method off and take it out of the
# group again, and fcitx5's shared input state is back to what the user had. Exits 77 (skipped) when the session cannot be had.
#   kesmir_tray_session.sh ADDON_DIR KESMIR TEXTBOX
set -u
addon_dir=$1 kesmir=$(readlink -f "$2") textbox=$(readlink -f "$3")
here=$(dirname "$(readlink -f "$0")")
. "$here/../../keyboard/fcitx5/session.sh"
command -v gdbus >/dev/null || { echo "SKIP: gdbus is missing (libglib2.0-bin)"; exit 77; }

trap 'kesmir_session_stop' EXIT
kesmir_session_start "$addon_dir" xvfb || { echo "SKIP: the session could not be started"; exit 77; }

controller() {
  gdbus call --session --dest org.fcitx.Fcitx5 --object-path /controller --method "org.fcitx.Fcitx.Controller1.$1" "${@:2}"
}
share_state() { controller GetConfig fcitx://config/global | grep -o "'ShareInputState': <'[A-Za-z]*'>" | cut -d"'" -f4; }
set_share_state() { controller SetConfig fcitx://config/global "<{'Behavior': <{'ShareInputState': <'$1'>}>}>" >/dev/null; }
group_items() { controller InputMethodGroupInfo Default | grep -o "('[a-z-]*', '" | cut -d"'" -f2 | paste -sd, -; }
failures=0
check() {  # check WHAT EXPECTED COMMAND...
  local what=$1 expected=$2 got _
  for _ in $(seq 100); do
    got=$("${@:3}" 2>/dev/null)
    [ "$got" = "$expected" ] && { echo "ok: $what"; return 0; }
    sleep 0.1
  done
  echo "FAILED: $what: expected '$expected', got '$got'"
  failures=$((failures + 1))
}

# The user's group without our input method.
controller SetInputMethodGroupInfo Default us "[('keyboard-us', '')]" >/dev/null
check "the group starts without kesmir" "keyboard-us" group_items
# fcitx5's default: one input state per window.
check "each window starts with its own input state" "No" share_state

# A program the user types in, focused before the keyboard's program starts.
out="$kesmir_session_dir/text.txt"
kesmir_session_run "$textbox" "$out"
box=$(timeout 20 xdotool search --sync --onlyvisible --name 'kesmir textbox' | head -n 1)
[ -n "$box" ] || { echo "FAILED: the text box did not appear"; exit 1; }
xdotool windowfocus --sync "$box"
sleep 0.3

kesmir_session_run "$kesmir"
first=$!
main=$(timeout 20 xdotool search --sync --name 'TONVORO 3.9' | head -n 1)
[ -n "$main" ] || { echo "FAILED: MAIN did not appear"; exit 1; }
check "starting puts kesmir into the group" "keyboard-us,kesmir" group_items
xdotool windowfocus --sync "$box"
check "and makes it the text box's input method" "('kesmir',)" controller CurrentInputMethod
xdotool type --delay 20 "Vieejt "
check "which types Vietnamese" "Việt " cat "$out"

# A window opened while the keyboard is on starts with it on.
later_out="$kesmir_session_dir/later.txt"
kesmir_session_run "$textbox" "$later_out"
later=$(timeout 20 xdotool search --sync --onlyvisible --pid $! | head -n 1)
[ -n "$later" ] || { echo "FAILED: the second text box did not appear"; exit 1; }
xdotool windowfocus --sync "$later"
sleep 0.3
xdotool type --delay 20 "vieetj "
check "a text box opened later types Vietnamese too" "việt " cat "$later_out"

timeout 20 "$kesmir"
status=$?
[ $status -eq 0 ] && echo "ok: a second start ends with 0" || { echo "FAILED: a second start ended with $status"; failures=$((failures + 1)); }
kill -0 "$first" 2>/dev/null && echo "ok: the first goes on" || { echo "FAILED: the first ended"; failures=$((failures + 1)); }

xdotool windowfocus --sync "$main" 2>/dev/null
xdotool key --window "$main" alt+u
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$first" 2>/dev/null; then
  echo "FAILED: Alt+U did not end the program"; failures=$((failures + 1))
else
  wait "$first"; status=$?
  [ $status -eq 0 ] && echo "ok: unloaded with 0" || { echo "FAILED: unload ended with $status"; failures=$((failures + 1)); }
fi
check "unloading takes kesmir out of the group again" "keyboard-us" group_items
xdotool windowfocus --sync "$box"
check "and leaves the text box the plain keyboard" "('keyboard-us',)" controller CurrentInputMethod
xdotool type --delay 20 "as "
check "which types the keys as they are" "Việt as " cat "$out"
check "and puts the user's shared input state back" "No" share_state

# The end of the session (SIGTERM) unloads too; this time the user shares one state per program.
set_share_state Program
check "the user's shared input state is Program" "Program" share_state
kesmir_session_run "$kesmir"
again=$!
check "started again, kesmir is back in the group" "keyboard-us,kesmir" group_items
kill -TERM "$again"
for _ in $(seq 100); do kill -0 "$again" 2>/dev/null || break; sleep 0.1; done
wait "$again" 2>/dev/null; status=$?
[ $status -eq 0 ] && echo "ok: SIGTERM ends it with 0" || { echo "FAILED: SIGTERM ended it with $status"; failures=$((failures + 1)); }
check "and takes kesmir out of the group" "keyboard-us" group_items
check "and puts the user's shared input state back" "Program" share_state

# A copy that crashed leaves kesmir in the group; the next one takes it out when it unloads.
kesmir_session_run "$kesmir"
crashed=$!
check "started once more, kesmir is in the group" "keyboard-us,kesmir" group_items
kill -KILL "$crashed"
wait "$crashed" 2>/dev/null
kesmir_session_run "$kesmir"
next=$!
xdotool search --sync --name 'TONVORO 3.9' >/dev/null
kill -TERM "$next"
wait "$next" 2>/dev/null
check "after a crash, the next copy takes kesmir out of the group" "keyboard-us" group_items
check "and puts the user's shared input state back" "Program" share_state

[ $failures -eq 0 ] || { echo "fcitx5's log:"; tail -n 20 "$kesmir_session_dir/fcitx5.log"; exit 1; }
echo "KESMIR switched the input method on and off and ran once"
