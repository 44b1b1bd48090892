#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# On a real X display, what a person sees of the window sizes and the skins: the first main
# window of a fresh profile is 375 x 232; opening "Просмотр видов..." leaves the skin and
# SkinDir as they were; the arrow keys in the skin list pick a skin folder whose name is in
# lower case, which is then drawn; Escape keeps it. Pictures of the main window, the skins page
# and the message window go to SHOT_DIR.
#   messenger_skins_test.sh LYRMESSENGER LYRNET SCREEN_SHOT SHOT_DIR
set -uo pipefail
messenger=$1
lyrnet=$2
screen_shot=$3
shots=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_hosts.sh"
. "$here/test_desktop.sh"
/usr/bin/python3 -c "import PIL" 2>/dev/null || { echo "SKIP: python3-pil is not installed"; exit 77; }
desktop_begin "$@"

settings_in_front() {
    local window
    window=$(window_titled "$settings_title") && [ "$(xdotool getactivewindow)" = "$window" ]
}
settings_closed() { [ -z "$(window_titled "$settings_title")" ]; }
main_geometry() { eval "$(xdotool getwindowgeometry --shell "$(visible_windows | head -n1)")"; }
shot() { mkdir -p "$shots" && "$screen_shot" "$shots/$1.png"; }
# skin_is R,G,B: the main window's left edge, a piece of the skin, has that colour.
skin_is() {
    main_geometry
    "$screen_shot" "$work/screen.png" &&
        [ "$(/usr/bin/python3 -c "from PIL import Image
print('%d,%d,%d' % Image.open('$work/screen.png').convert('RGB').getpixel(($X + 4, $Y + $HEIGHT // 2)))")" = "$1" ]
}
skin_dir_is() { [ "$(settings_value SkinDir)" = "\"$1\"" ]; }
# make_skin FOLDER R G B: a skin folder whose mb.bmp is all of one colour.
make_skin() {
    mkdir -p "$1"
    /usr/bin/python3 -c "from PIL import Image
Image.new('RGB', (242, 119), ($2, $3, $4)).save('$1/mb.bmp')"
}
end_program() {
    kill -TERM "$messenger_pid"
    messenger_wait_end 10 && [ "$messenger_code" = 0 ]
}

messenger_start
"$lyrnet" show
check "a fresh profile's main window comes up" wait_for_window 5
main_geometry
check "  ... 375 x 232, snapped to whole tiles once (is ${WIDTH}x${HEIGHT})" \
    test "${WIDTH}x${HEIGHT}" = 375x232
check "picture: the first main window" shot first-main-window
check "SIGTERM ends the program" end_program

# Two skins in lower-case folders; the blue one is in use.
make_skin "$work/skins/blue" 0 0 200
make_skin "$work/skins/classic" 200 40 40
sed -i "s|^\"SkinDir\"=.*|\"SkinDir\"=\"$work/skins/blue\"|" "$settings_file"
messenger_start
"$lyrnet" show
check "the main window comes up" wait_for_window 5
check "  ... in the blue skin" eventually 5 skin_is 0,0,200
xdotool key alt+s
check "Alt+S (Просмотр видов...) opens the settings dialog" eventually 5 settings_in_front
sleep 1
check "  ... which leaves SkinDir as it was" skin_dir_is "$work/skins/blue"
check "  ... and the blue skin on the screen" skin_is 0,0,200
check "picture: the skins page" shot skins-page
# The list: <default>, BLUE, CLASSIC; the focus put the first row current without picking it.
xdotool key Down Down
check "the arrow keys pick CLASSIC, stored as the folder is named on disk" \
    eventually 5 skin_dir_is "$work/skins/classic"
check "  ... and its skin is drawn" eventually 5 skin_is 200,40,40
xdotool key Escape
check "Escape closes the dialog" eventually 5 settings_closed
check "  ... keeping the picked skin" skin_dir_is "$work/skins/classic"
check "SIGTERM ends the program" end_program

# The message window holds the whole of its sender and time.
check "WindowType 2" set_option WindowType dword:00000002
messenger_start
"$lyrnet" send . "В отдельном окне" --from WORKSTATION-015
# It is the window of that title with a frame of the window manager's, which the main
# window has not.
message_window() {
    local window
    for window in $(visible_windows); do
        xprop -id "$window" _NET_FRAME_EXTENTS | grep -q "= 0, 0, 0, 0" && continue
        xprop -id "$window" _NET_FRAME_EXTENTS | grep -q = && return 0
    done
    return 1
}
check "the message window comes up" eventually 10 message_window
sleep 1
check "picture: the message window" shot message-window
check "SIGTERM ends the program" end_program
desktop_end
