#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Vorlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the command given as the only client of a headless weston of its own,
# in a runtime folder of its own, and ends weston after it; the command's
# status is the script's.
set -eu
runtime=$(mktemp -d)
weston=""
trap '[ -z "$weston" ] || kill "$weston" 2>/dev/null || true; rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --no-config --socket=vorlane \
    --idle-time=0 --log="$runtime/weston.log" &
weston=$!
# Ten seconds for weston to open its socket.
tries=0
until [ -S "$runtime/vorlane" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$weston" 2>/dev/null; then
        echo "weston did not start:" >&2
        cat "$runtime/weston.log" >&2
        exit 1
    fi
    sleep 0.1
done
XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=vorlane QT_QPA_PLATFORM=wayland "$@"
