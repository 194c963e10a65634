#!/usr/bin/env bash
# The built program as a new user meets it: started on a fresh data folder (only the template)
# under a virtual display, the login answered with Enter, the main window reached, and the
# program leaving by itself (--quit) with status 0.
#   korvane_smoke.sh PATH/TO/korvane
set -u
korvane=$(readlink -f "$1")
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
"$korvane" --quit > "$home/out.txt" 2>&1 &
pid=\$!
# The login window comes first; Enter presses its default button.
login=\$(timeout 60 xdotool search --sync --onlyvisible --name 'Đăng nhập' | head -1)
if [ -z "\$login" ]; then echo "no login window"; kill \$pid; exit 3; fi
xdotool windowfocus --sync "\$login" key Return
for _ in \$(seq 600); do kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
if kill -0 \$pid 2>/dev/null; then echo "still running after the login"; kill \$pid; exit 4; fi
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
echo "korvane started on a fresh folder, reached the main window and ended with status 0"
