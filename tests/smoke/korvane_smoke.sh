#!/usr/bin/env bash
# The built program as a new user meets it, on a fresh data folder (only the template) under a
# virtual display, the login answered with Enter.
#   korvane_smoke.sh PATH/TO/korvane            the main window reached, the program leaving by
#                                               itself (--quit) with status 0
#   korvane_smoke.sh PATH/TO/korvane refusal    a refused name in the backup chooser: after the
#                                               message the program still runs with the chooser
#                                               open; Esc, then "Kết thúc" end it with status 0
set -u
korvane=$(readlink -f "$1")
scenario=${2:-start}
for tool in xvfb-run xdotool; do
  command -v $tool >/dev/null || { echo "the smoke test needs $tool (scripts/setup installs it)"; exit 1; }
done
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/data"
cp "$(dirname "$korvane")/data/zeltgoc.mdb" "$home/data/"

cat > "$home/drive.sh" <<EOS
#!/usr/bin/env bash
# The user's own settings stay out of it: the program's settings go to the test's folder.
export QT_QPA_PLATFORM=xcb KORVANE_HOME="$home" ASAN_OPTIONS=detect_leaks=0 HOME="$home" XDG_CONFIG_HOME="$home/config"
scenario=$scenario
if [ \$scenario = start ]; then "$korvane" --quit > "$home/out.txt" 2>&1 & else "$korvane" > "$home/out.txt" 2>&1 & fi
pid=\$!
fail() { echo "\$1"; kill \$pid 2>/dev/null; exit \$2; }
# The one visible window whose title is \$1, waited for.
window() { timeout 60 xdotool search --sync --onlyvisible --name "\$1" | head -1; }
# The login window comes first; Enter presses its default button.
login=\$(window 'Đăng nhập')
[ -n "\$login" ] || fail "no login window" 3
xdotool windowfocus --sync "\$login" key Return
if [ \$scenario = refusal ]; then
  main=\$(window 'Korvane V')
  [ -n "\$main" ] || fail "no main window" 5
  # "Quản lý các file dữ liệu, năm làm việc" → its third item, "Chọn file dữ liệu backup".
  xdotool windowfocus --sync "\$main" key alt+q; sleep 0.5; xdotool key Down Down Return
  chooser=\$(window 'Chọn file dữ liệu')
  [ -n "\$chooser" ] || fail "no chooser" 6
  xdotool windowfocus --sync "\$chooser" type nofileext
  xdotool key alt+c
  notice=\$(window 'Thông báo')
  [ -n "\$notice" ] || fail "no message about the missing .MDB" 7
  xdotool windowfocus --sync "\$notice" key Return
  sleep 2
  kill -0 \$pid 2>/dev/null || { echo "korvane ended after the refusal"; exit 8; }
  chooser=\$(timeout 5 xdotool search --onlyvisible --name 'Chọn file dữ liệu' | head -1)
  [ -n "\$chooser" ] || fail "the chooser is gone after the refusal" 9
  xdotool windowfocus --sync "\$chooser" key Escape
  main=\$(window 'Korvane V')
  [ -n "\$main" ] || fail "the main window did not come back" 10
  xdotool windowfocus --sync "\$main" key alt+k
fi
for _ in \$(seq 600); do kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
kill -0 \$pid 2>/dev/null && fail "still running at the end" 4
wait \$pid
EOS
chmod +x "$home/drive.sh"
xvfb-run -a -s "-noreset -screen 0 1024x768x24" "$home/drive.sh"
status=$?
cat "$home/out.txt" 2>/dev/null | grep -v -e '^$' | head -20
if [ $status -ne 0 ]; then echo "korvane ended with status $status"; exit 1; fi
for f in zeltcv.MDB zeltlich.MDB zelttk.MDB zelttemp.MDB sysmem; do
  [ -f "$home/data/$f" ] || { echo "missing data/$f after the first start"; exit 1; }
done
echo "korvane ($scenario) on a fresh folder ended with status 0"
