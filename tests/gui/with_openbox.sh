#!/usr/bin/env bash
# Runs a command on an X server of its own whose windows openbox manages and frames.
set -euo pipefail
command -v openbox >/dev/null || { echo "openbox is not installed"; exit 1; }
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 150); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    status=0
    "$@" || status=$?
    kill "$wm" 2>/dev/null || true
    wait "$wm" 2>/dev/null || true
    exit "$status"' with_openbox "$@"
