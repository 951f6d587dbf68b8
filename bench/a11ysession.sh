#!/bin/sh
# Runs a command as on a desktop whose accessibility bus is active: inside a session bus of
# its own (dbus-run-session), the bus started as the desktop starts it, Qt's bridge on, and a
# screen reader's listener taking every event. Debian's at-spi2-core, python3-dbus, python3-gi.
# The X display comes from DISPLAY.
set -u
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
# The bus's socket goes below XDG_RUNTIME_DIR: one of its own, so that runs do not meet.
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null || exit 1
heard="$XDG_RUNTIME_DIR/listener.out"
: >"$heard"
/usr/bin/python3 "$(dirname "$0")/a11ylistener.py" >"$heard" &
listener=$!
i=0
while ! grep -q listening "$heard" && [ $i -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
done
"$@"
status=$?
kill "$listener"
wait "$listener"
grep -v listening "$heard"
rm -rf "$XDG_RUNTIME_DIR"
exit $status
