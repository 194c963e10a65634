#!/usr/bin/env bash
# The keyboard's fcitx5 input method end to end: fcitx5 with the addon of the build under a
# private Xvfb and D-Bus, and the programs people type in - a Qt 6 line edit, a GTK 3 and a GTK 4
# entry, xterm - with keys and clicks sent by xdotool and each program's text read back. Exits 77
# (skipped) with a message when no X server or fcitx5's Qt module can be had; a program whose
# toolkit module is missing is left out with a message.
#   kesmir_e2e.sh ADDON_DIR TEXTBOX KEYBOARD_TESTS_CPP [PROGRAM...]
# PROGRAM is qt, gtk3, gtk4 or xterm (all four when none is named). Leaves a screenshot in
# /tmp/kesmir-e2e.png.
set -u
addon_dir=$1 textbox=$(readlink -f "$2") table=$3
shift 3
here=$(dirname "$(readlink -f "$0")")
. "$here/../../keyboard/fcitx5/session.sh"

qt_module=$(find /usr/lib/*/qt6/plugins/platforminputcontexts -name 'libfcitx5platforminputcontextplugin*' 2>/dev/null | head -n 1)
[ -n "$qt_module" ] || { echo "SKIP: fcitx5's Qt 6 module is not installed (fcitx5-frontend-qt6; scripts/setup installs it)"; exit 77; }

trap 'kesmir_session_stop' EXIT
kesmir_session_start "$addon_dir" xvfb
status=$?
[ $status -eq 0 ] || { echo "SKIP: the session could not be started"; exit 77; }
export LC_ALL=C.UTF-8

wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || wanted=(xterm qt gtk3 gtk4)
gtk_module() { ls /usr/lib/*/gtk-"$1"*/*/immodules/im-fcitx5.so /usr/lib/*/gtk-"$1"*/*/immodules/libim-fcitx5.so 2>/dev/null | head -n 1; }

declare -A window text_file places_file
failures=0

# Starts one program and waits for its window.
start_program() {
  local name=$1 title
  text_file[$name]="$kesmir_session_dir/$name.txt"
  places_file[$name]="$kesmir_session_dir/$name.places"
  case $name in
    qt) title='kesmir textbox'; kesmir_session_run "$textbox" "${text_file[$name]}" "${places_file[$name]}" ;;
    gtk3 | gtk4)
      local v=${name#gtk}
      [ -n "$(gtk_module "$v")" ] || { echo "SKIP $name: fcitx5's GTK $v module is not installed (fcitx5-frontend-gtk$v)"; return 1; }
      /usr/bin/python3 -c "import gi; gi.require_version('Gtk', '$v.0')" 2>/dev/null ||
        { echo "SKIP $name: GTK $v for Python is not installed (python3-gi, gir1.2-gtk-$v.0)"; return 1; }
      title="kesmir gtk$v box"
      kesmir_session_run /usr/bin/python3 "$here/gtk_textbox.py" "$v" "${text_file[$name]}" "${places_file[$name]}" ;;
    xterm)
      command -v xterm >/dev/null || { echo "SKIP xterm: xterm is not installed"; return 1; }
      title='kesmir xterm'
      # The terminal's line, as its line discipline hands it over at Return, is its text.
      kesmir_session_run xterm -u8 -geometry 100x4 -title "$title" -e python3 -c '
import sys
out = sys.argv[1]
open(out, "w").close()
for line in sys.stdin:
    with open(out + ".new", "w") as f: f.write(line.rstrip("\n"))
    __import__("os").replace(out + ".new", out)' "${text_file[$name]}" ;;
  esac
  window[$name]=$(timeout 40 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1)
  if [ -z "${window[$name]}" ]; then
    # Gone for good: a window that came later would take the input method's focus mid-word.
    kill "${kesmir_session_pids[-1]}" 2>/dev/null
    unset "window[$name]"
    echo "FAILED: the $name window did not appear"
    failures=$((failures + 1))
    return 1
  fi
}

# Focuses a program's window and switches it to our input method.
focus() {
  # Raised too: without a window manager the windows lie on top of each other, and a click goes
  # to the topmost.
  xdotool windowraise "${window[$1]}" windowfocus --sync "${window[$1]}"
  sleep 0.2
  current=$1
}
use_kesmir() {
  local _
  fcitx5-remote -s kesmir
  for _ in $(seq 50); do [ "$(fcitx5-remote -n 2>/dev/null)" = kesmir ] && return 0; sleep 0.1; done
  echo "FAILED: fcitx5 did not switch to kesmir in $current ($(fcitx5-remote -n))"
  failures=$((failures + 1))
  return 1
}

# A terminal through XIM applies the Backspaces we forward after the text sent behind them; it
# gets them in time at a fast typist's pace (20 keys a second), not at xdotool's own.
keys() { xdotool type --delay "$([ "$current" = xterm ] && echo 50 || echo 15)" "$1"; }
press() { xdotool key --delay 20 "$@"; }
settings() {
  printf '[Tonvoro config]\r\n%s' "$1" > "$XDG_CONFIG_HOME/kesmir/tonvoro.ini"
  sleep 0.4  # the addon reads the file again when it changes
}
# Clicks where the caret goes to position N of the current program's text.
click_at() {
  local place chars _
  sleep 0.2  # the program writes its places once it has laid the text out
  for _ in $(seq 50); do
    chars=$(text_of "$current" | wc -m)
    place=$(sed -n "$(($1 + 1))p" "${places_file[$current]}" 2>/dev/null)
    [ "$(wc -l < "${places_file[$current]}")" -eq $((chars + 1)) ] && [ -n "$place" ] && [ "${place%% *}" != -1 ] && break
    sleep 0.1
  done
  xdotool mousemove --window "${window[$current]}" $place click 1
  sleep 0.3
}
# Another program takes the focus for a moment.
switch_away_and_back() {
  local back=$current other
  for other in qt gtk3 gtk4 xterm; do [ "$other" != "$back" ] && [ -n "${window[$other]:-}" ] && break; done
  xdotool windowfocus --sync "${window[$other]}"
  sleep 0.4
  focus "$back"
  sleep 0.3
}

text_of() { cat "${text_file[$1]}" 2>/dev/null; }
# Waits until the current program holds the expected text; reports the difference otherwise. The
# terminal hands its line over at Return.
expect_text() {
  local expected=$1 what="$current: $2" _
  [ "$current" = xterm ] && press Return
  for _ in $(seq 100); do
    [ "$(text_of "$current")" = "$expected" ] && { echo "ok: $what"; return 0; }
    sleep 0.1
  done
  echo "FAILED: $what"
  echo "  expected: $expected"
  echo "  got:      $(text_of "$current")"
  failures=$((failures + 1))
  return 1
}
# An empty box with the caret in it, the word ended (the terminal's line went at Return).
empty_box() {
  [ "$current" = xterm ] && return 0
  press ctrl+a BackSpace
  local _
  for _ in $(seq 50); do [ -z "$(text_of "$current")" ] && return 0; sleep 0.1; done
  echo "FAILED: $current: the box did not empty"
  failures=$((failures + 1))
}

# The 200-word table of the keyboard's tests: Telex keys and the text each sentence gives, typed
# as one paragraph of well over 600 characters without Enter.
mapfile -t strings < <(awk '/WholeSentences/{on=1} on&&/^    int words/{on=0} on' "$table" |
                       grep -o '"[^"]*"' | sed 's/^"//; s/"$//')
[ ${#strings[@]} -ge 20 ] || { echo "FAILED: the sentence table was not found in $table"; exit 1; }
paragraph_keys="" paragraph_text=""
for ((k = 0; k + 1 < ${#strings[@]} && ${#paragraph_text} < 650; k += 2)); do
  paragraph_keys+="${strings[k]} "
  paragraph_text+="${strings[k + 1]} "
done

# What every program must type exactly.
typing_cases() {
  settings ""
  empty_box
  keys "Tieengs Vieetj cos daaus "
  expect_text "Tiếng Việt có dấu " "a sentence"
  [ "$current" = qt ] && import -window root /tmp/kesmir-e2e.png 2>/dev/null

  empty_box
  keys "$paragraph_keys"
  expect_text "$paragraph_text" "a paragraph of ${#paragraph_text} characters without Enter"

  # Backspace after a word and inside one.
  empty_box
  keys "toi "
  press BackSpace
  keys "s tieengs"
  press BackSpace
  keys "g "
  expect_text "tói tiếng " "Backspace after a word and inside one"

  # Another program takes the focus in the middle of a word: the word stays as it was shown and
  # the keys after coming back start a new one.
  empty_box
  keys "xin vieej"
  switch_away_and_back
  keys "t "
  expect_text "xin việt " "a window switch in the middle of a word"
  # A tone key after coming back belongs to the new word, never to a copy of the old one.
  keys "nguwowi"
  switch_away_and_back
  keys "f "
  expect_text "$([ "$current" != xterm ] && echo -n "xin việt ")ngươif " "a tone key after a window switch"
}

# Clicks and caret moves, in the programs with a caret to click.
caret_cases() {
  settings ""
  empty_box
  keys "Ha Noi "
  click_at 7
  keys "ddi quaf "
  expect_text "Ha Noi đi quà " "the first keys after a click"

  empty_box
  keys "Ha Noi "
  press End
  keys "ddi "
  expect_text "Ha Noi đi " "the first keys after End"

  # A click while a word is shown: the word stays where it was shown, the keys after it go where
  # the click put the caret. (GTK 4 takes no arrow keys from the input method: there the caret
  # stays after the word.)
  empty_box
  keys "Ha Noi vieej"
  click_at 2
  keys "ddi "
  if [ "$current" = gtk4 ]; then expect_text "Ha Noi việđi " "a click while a word is shown leaves the word where it was"
  else expect_text "Hađi  Noi việ" "a click while a word is shown leaves the word where it was"; fi

  # Fast correct.
  settings "FastCorrect=-1"$'\r\n'
  empty_box
  keys "Ha Noi "
  click_at 6
  keys "j "
  expect_text "Ha Nọi  " "fast correct: a click inside a previous word, then a tone key"

  empty_box
  keys "Ha Noi la "
  click_at 6
  press BackSpace
  keys "oj "
  expect_text "Ha Nộ  la " "fast correct: a click, Backspace, a new word"
  click_at 9
  press BackSpace
  keys "af "
  expect_text "Ha Nộ  là  " "fast correct: a click after a word, Backspace, a tone"

  # Rolled typing after a click: nothing outside the word is deleted.
  empty_box
  keys "Ha Noi "
  click_at 2
  xdotool keydown f keydown a keyup a keyup f
  sleep 0.3
  local got
  got=$(text_of "$current")
  if [ "${got:0:1}" = H ] && [ "${got: -5}" = " Noi " ]; then echo "ok: $current: rolled typing after a click"
  else echo "FAILED: $current: rolled typing after a click deleted text: $got"; failures=$((failures + 1)); fi
  settings ""
}

started=()
for name in "${wanted[@]}"; do start_program "$name" && started+=("$name"); done
[ ${#started[@]} -gt 0 ] || { echo "FAILED: no program could be started"; exit 1; }
for name in "${started[@]}"; do
  focus "$name"
  use_kesmir && typing_cases
done

# Return in one program and in another, then typing on in the first.
if [ -n "${window[gtk3]:-}" ] && [ -n "${window[qt]:-}" ]; then
  focus gtk3; empty_box; press Return
  focus qt; empty_box; press Return; keys "xin "
  focus gtk3; keys "ddi "
  expect_text "đi " "Return here and in a Qt box, then typing on"
fi

for name in "${started[@]}"; do
  [ "$name" = xterm ] && continue
  focus "$name"
  use_kesmir && caret_cases
done

if [ $failures -ne 0 ]; then
  echo "fcitx5's log:"; tail -n 20 "$kesmir_session_dir/fcitx5.log"
  exit 1
fi
echo "Telex typed through fcitx5 and kesmir came out exactly in: ${started[*]}"
