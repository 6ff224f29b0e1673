#!/bin/sh
# Runs one test with folders of its own, emptied before every run:
#   hermetic.sh FOLDER PROGRAM [ARGUMENT...]
# HOME and every XDG folder (configuration, state, data, cache, and the system's data and
# configuration folders) point below FOLDER, so a test never reads the user's settings
# (~/.config/quillon-engine/html.ini, quillon.ini), never leaves notes in the user's state
# folder, and finds no installed application's desktop entry, MIME default or autostart: the
# program under test can only start a browser, file manager or mail program a test put there
# itself. Nothing ties it to a desktop session either.
set -eu
root=$1
shift
rm -rf "$root"
for d in home config config-dirs data data-dirs state cache runtime; do
    mkdir -p "$root/$d"
done
chmod 700 "$root/runtime"
export HOME="$root/home"
export XDG_CONFIG_HOME="$root/config" XDG_CONFIG_DIRS="$root/config-dirs"
export XDG_DATA_HOME="$root/data" XDG_DATA_DIRS="$root/data-dirs"
export XDG_STATE_HOME="$root/state" XDG_CACHE_HOME="$root/cache"
export XDG_RUNTIME_DIR="$root/runtime"
unset XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP XDG_SESSION_TYPE DESKTOP_SESSION \
    KDE_FULL_SESSION KDE_SESSION_VERSION GNOME_DESKTOP_SESSION_ID MATE_DESKTOP_SESSION_ID \
    DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY BROWSER
exec "$@"
