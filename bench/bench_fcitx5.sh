#!/usr/bin/env bash
# The keyboard's fcitx5 input method against fcitx5's plain keyboard-us, per key, in one run of
# the real fcitx5 daemon (headless: no X, no D-Bus), with the benchmark addon of the build.
#   bench/bench_fcitx5.sh BUILD_DIR        (a release build: cmake -DCMAKE_BUILD_TYPE=Release)
set -euo pipefail
build=$(readlink -f "${1:-build}")
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
system_addons=$(pkg-config --variable=libdir Fcitx5Core)/fcitx5
SKIP_FCITX_PATH=1 SKIP_FCITX_USER_PATH=1 XDG_CONFIG_HOME="$settings" \
  FCITX_ADDON_DIRS="$build/fcitx5/lib:$build/bench/fcitx5/lib:$system_addons" \
  FCITX_DATA_DIRS="$build/fcitx5/share:$build/bench/fcitx5/share:/usr/share/fcitx5:/usr/share/fcitx5/testing" \
  FCITX_CONFIG_HOME=/Invalid/Path FCITX_DATA_HOME=/Invalid/Path \
  timeout 300 fcitx5 --disable=all --enable=keyboard,kesmir,kesmirbench 2>&1 | grep '^kesmir-bench' || {
    echo "the benchmark addon printed nothing (is $build a build with the fcitx5 addon?)"; exit 1; }
