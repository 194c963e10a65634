# A private desktop session with fcitx5 and the keyboard's input method from a build folder,
# for trying it and for the end-to-end check; sourced by scripts/keyboard-demo and the check.
# Nothing of the user's own settings changes: HOME and the XDG folders are the session's own.
#
#   kesmir_session_start ADDON_DIR [xvfb]   ADDON_DIR holds lib/libkesmir.so and share/; with
#                                           "xvfb" (or without $DISPLAY) an Xvfb of its own
#   kesmir_session_stop                     ends every process the session started
#
# kesmir_session_start returns 77 when something it needs is missing or cannot be started.

kesmir_session_pids=()

kesmir_session_fail() { echo "kesmir session: $*" >&2; kesmir_session_stop; return 77; }

kesmir_session_start() {
  local addon_dir
  addon_dir=$(readlink -f "$1")
  local tool
  for tool in fcitx5 fcitx5-remote dbus-daemon dbus-send xdotool; do
    command -v "$tool" >/dev/null || { kesmir_session_fail "$tool is missing (scripts/setup installs it)"; return 77; }
  done
  [ -f "$addon_dir/lib/libkesmir.so" ] || { kesmir_session_fail "no addon in $addon_dir (build the target kesmir)"; return 77; }
  kesmir_session_dir=$(mktemp -d /tmp/kesmir-session-XXXXXX)
  export HOME="$kesmir_session_dir/home" XDG_CONFIG_HOME="$kesmir_session_dir/config"
  export XDG_DATA_HOME="$kesmir_session_dir/data" XDG_RUNTIME_DIR="$kesmir_session_dir/runtime"
  export XDG_CACHE_HOME="$kesmir_session_dir/cache"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME/fcitx5" "$XDG_CONFIG_HOME/kesmir" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
  mkdir -m 700 "$XDG_RUNTIME_DIR"

  if [ "${2:-}" = xvfb ] || [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || { kesmir_session_fail "Xvfb is missing (scripts/setup installs it)"; return 77; }
    # -noreset: the server stays up when its last client leaves; -displayfd picks a free display.
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x300x24 3>"$kesmir_session_dir/display" 2>"$kesmir_session_dir/xvfb.log" &
    kesmir_session_pids+=($!)
    local _
    for _ in $(seq 100); do [ -s "$kesmir_session_dir/display" ] && break; sleep 0.05; done
    [ -s "$kesmir_session_dir/display" ] || { kesmir_session_fail "no X server could be started"; return 77; }
    export DISPLAY=":$(head -n 1 "$kesmir_session_dir/display")"
  fi

  # A bus of our own that starts no services: nothing but the fcitx5 started here answers.
  cat > "$kesmir_session_dir/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <listen>unix:path=$XDG_RUNTIME_DIR/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOF
  local bus
  bus=$(dbus-daemon --config-file="$kesmir_session_dir/bus.conf" --fork --nopidfile --print-address=1 --print-pid=1) ||
    { kesmir_session_fail "no D-Bus session bus"; return 77; }
  export DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | head -n 1)
  kesmir_session_pids+=("$(echo "$bus" | sed -n 2p)")

  # One group: the plain keyboard first, then ours.
  cat > "$XDG_CONFIG_HOME/fcitx5/profile" <<EOF
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=kesmir

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=kesmir
Layout=

[GroupOrder]
0=Default
EOF
  # A sanitizer build keeps a copy of the addon without the sanitizers for fcitx5 itself.
  local lib="$addon_dir/lib"
  [ -f "$addon_dir/daemon/lib/libkesmir.so" ] && lib="$addon_dir/daemon/lib"
  local system_addons
  system_addons=$(pkg-config --variable=libdir Fcitx5Core 2>/dev/null || echo /usr/lib/x86_64-linux-gnu)/fcitx5
  FCITX_ADDON_DIRS="$lib:$system_addons" FCITX_DATA_DIRS="$addon_dir/share:/usr/share/fcitx5" \
    XDG_DATA_DIRS="$addon_dir/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" \
    fcitx5 --replace --disable=notificationitem,kimpanel > "$kesmir_session_dir/fcitx5.log" 2>&1 &
  kesmir_session_pids+=($!)
  # fcitx5-remote is used only once fcitx5 owns its name.
  local owned=""
  for _ in $(seq 200); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 2>/dev/null | grep -q 'boolean true' && { owned=1; break; }
    sleep 0.05
  done
  [ -n "$owned" ] || { kesmir_session_fail "fcitx5 did not start: $(tail -n 5 "$kesmir_session_dir/fcitx5.log")"; return 77; }
  export QT_IM_MODULE=fcitx GTK_IM_MODULE=fcitx XMODIFIERS=@im=fcitx QT_QPA_PLATFORM=xcb
  return 0
}

# Starts a program in the session and remembers it.
kesmir_session_run() {
  "$@" &
  kesmir_session_pids+=($!)
}

kesmir_session_stop() {
  local k pid _
  for ((k = ${#kesmir_session_pids[@]} - 1; k >= 0; k--)); do
    pid=${kesmir_session_pids[k]}
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  kesmir_session_pids=()
  [ -n "${kesmir_session_dir:-}" ] && rm -rf "$kesmir_session_dir"
  kesmir_session_dir=""
  return 0
}
