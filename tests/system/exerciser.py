#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Random sequences of what a person and the network do to the running messenger, drawn from a
seeded generator, each step followed by the checks a person would make: the program answers,
the tray icon opens its menu, no setting changed behind the user's back, Escape closed only
what was in front; every sequence ends with closing whatever window is open, and the end with
SIGTERM and every message sent to the program in its inbox. Run by exerciser.sh, which brings up the desktop, the
tray, the notification server and the sending host.

  exerciser.py --seed N [--seconds S] [--steps N] [--leave-out ACTION,...]
Environment: LYRNET (the program), MESSENGER_PID, SETTINGS_FILE, DATA_DIR, SEND (a command that
sends a message, given as its last argument, from the second host).
On a failure it prints the seed, the steps so far and what went wrong, and exits 1.
"""
import argparse
import collections
import json
import os
import random
import shlex
import signal
import subprocess
import sys
import time
import traceback

SETTINGS_TITLE = "Настройка Zendry Messenger"
SCREEN_HEIGHT = 600
# The tray menu's rows: Открыть, a separator, Состояние, Автоответ, Настройки, a separator,
# Выход; rows of 18 pixels, separators of 10, in a frame.
ROW, SEPARATOR = 18, 10
ROWS_HEIGHT = 5 * ROW + 2 * SEPARATOR
AUTO_REPLY_TOP = 2 * ROW + SEPARATOR
SETTINGS_TOP = 3 * ROW + SEPARATOR
# Settings the window manager or the program's layout decides, not the user.
PLACEMENT = {"PositionX", "PositionY"}


class Failure(Exception):
    pass


Window = collections.namedtuple("Window", "id title x y width height popup")


def run(*args, timeout=10):
    try:
        done = subprocess.run(list(map(str, args)), capture_output=True, text=True,
                              timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    return done.stdout if done.returncode == 0 else None


def xdotool(*args):
    return run("xdotool", *args) or ""


def eventually(seconds, condition):
    end = time.monotonic() + seconds
    while True:
        if condition():
            return True
        if time.monotonic() > end:
            return False
        time.sleep(0.1)


def read_settings(path):
    values = {}
    with open(path, encoding="utf-8", errors="replace") as file:
        for line in file:
            name, equals, value = line.rstrip("\r\n").partition("=")
            if equals and name.startswith('"'):
                values[name.strip('"')] = value
    return values


class Messenger:
    """The program as a person sees it: its windows on the X display, its tray icon."""

    def __init__(self, pid, lyrnet):
        self.pid = pid
        self.lyrnet = lyrnet

    def alive(self):
        try:
            with open("/proc/%d/stat" % self.pid) as stat:
                return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
        except OSError:
            return False

    def answers(self):
        return run(self.lyrnet, "status", timeout=2) is not None

    def windows(self):
        """Its visible windows, each as xwininfo tells it."""
        windows = []
        for window in xdotool("search", "--onlyvisible", "--pid", self.pid).split():
            info = run("xwininfo", "-id", window) or ""
            fields = dict(line.strip().split(": ", 1) for line in info.splitlines()
                          if ": " in line)
            windows.append(Window(
                window, info.partition('"')[2].rpartition('"')[0],
                *(int(fields.get(name, -1)) for name in (
                    "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")),
                fields.get("Override Redirect State") == "yes"))
        return windows

    @staticmethod
    def is_icon(window):
        """The icon stands in trayer's 24 pixels at the bottom of the screen."""
        return window.y >= SCREEN_HEIGHT - 24 and window.height <= 24

    def icon(self):
        return next((w for w in self.windows() if self.is_icon(w)), None)

    def tray_menu(self):
        return next((w for w in self.windows() if w.popup and not self.is_icon(w) and
                     w.y + w.height >= SCREEN_HEIGHT - 100 and w.height > ROWS_HEIGHT), None)

    def shown(self):
        """Its windows a person may close: all but the icon and open menus."""
        return [w for w in self.windows() if not w.popup and not self.is_icon(w)]

    def find_main(self):
        """The main window keeps its X window while hidden; message windows are new each time.
        With no window on show, the one `lyrnet show` brings is it."""
        if self.shown():
            raise Failure("windows on show at the start")
        run(self.lyrnet, "show", timeout=5)
        if not eventually(5, self.shown):
            raise Failure("lyrnet show shows no window")
        self.main_id = self.shown()[0].id
        run(self.lyrnet, "hide", timeout=5)
        if not eventually(5, lambda: not self.shown()):
            raise Failure("lyrnet hide leaves a window on show")

    def main(self):
        return next((w for w in self.shown() if w.id == self.main_id), None)

    def active(self):
        active = xdotool("getactivewindow").strip()
        return next((w for w in self.shown() if w.id == active), None)

    def active_title(self):
        active = self.active()
        return active.title if active else None


class Exerciser:
    def __init__(self, seed, env, leave_out=()):
        self.random = random.Random(seed)
        self.seed = seed
        self.program = Messenger(int(env["MESSENGER_PID"]), env["LYRNET"])
        self.settings_file = env["SETTINGS_FILE"]
        self.data_dir = env["DATA_DIR"]
        self.send_command = shlex.split(env["SEND"])
        self.baseline = read_settings(self.settings_file)
        self.changed = set(PLACEMENT)
        self.sent = []
        self.steps = []
        self.steps_taken = 0
        unknown = set(leave_out) - {action.__name__ for action, _ in self.ACTIONS} - {""}
        if unknown:
            raise SystemExit("no such actions: %s" % ", ".join(sorted(unknown)))
        self.actions = [action for action, weight in self.ACTIONS if action.__name__ not in
                        leave_out for _ in range(weight)]

    # What a person and the network do. Each may return what it did, for the log.
    def lyrnet_show(self):
        run(self.program.lyrnet, "show", timeout=5)

    def lyrnet_hide(self):
        run(self.program.lyrnet, "hide", timeout=5)

    def hot_key(self):
        xdotool("key", "ctrl+alt+m")

    def tray_left_click(self):
        self.click_icon(1)

    def tray_auto_reply(self):
        self.choose_in_tray_menu(AUTO_REPLY_TOP)
        self.changed.add("AutoReply")

    def tray_settings(self):
        self.choose_in_tray_menu(SETTINGS_TOP)

    def main_menu(self):
        """Opens the main menu from the window's corner; then a key: Escape, or Down and
        Return, which is "О программе"."""
        main = self.main_window_to_front()
        if main is None:
            return "no main window"
        xdotool("mousemove", main.x + 5, main.y + 5, "click", 1)
        time.sleep(0.5)
        # Behind a dialog of ours no menu opens, and the keys would be the dialog's: Down and
        # Return there pick a skin or press OK, which no step of this kind means to do.
        in_front = self.program.active()
        choice = self.random.random() < 0.5
        if in_front is None or in_front.id != main.id:
            return "a dialog is in front: no keys"
        if choice:
            xdotool("key", "Escape")
            return "closed with Escape"
        xdotool("key", "Down", "Return")
        return "О программе"

    def settings_by_keys(self):
        if not self.main_window_has_keys():
            return "no main window in front"
        xdotool("key", "ctrl+p")

    def settings_pages(self):
        """Alt+Down steps through the pages of the settings dialog, when it has the keys."""
        if self.program.active_title() != SETTINGS_TITLE:
            return "no settings dialog in front"
        count = self.random.randint(1, 4)
        for _ in range(count):
            xdotool("key", "alt+Down")
            time.sleep(0.3)
        return "%d pages on" % count

    def view_skins(self):
        if not self.main_window_has_keys():
            return "no main window in front"
        xdotool("key", "alt+s")

    def escape(self):
        return self.press_escape() or "no window of ours in front"

    def context_menu(self):
        """A right click somewhere inside the main window (a pane, the user list, the frame),
        then Escape, or Down and Return for the menu's first item."""
        if not self.main_window_has_keys():
            return "no main window in front"
        main = self.program.main()
        x = main.x + self.random.randint(main.width // 10, main.width * 9 // 10)
        y = main.y + self.random.randint(main.height // 10, main.height * 9 // 10)
        xdotool("mousemove", x, y, "click", 3)
        time.sleep(0.5)
        where = "at %d,%d" % (x - main.x, y - main.y)
        if self.random.random() < 0.5:
            return "%s, Escape in front of %s" % (where, self.press_escape())
        xdotool("key", "Down", "Return")
        return where + ", the first item"

    def type_text(self):
        if not self.main_window_has_keys():
            return "no main window in front"
        text = self.random.choice(["hello", "Привет", "line one\nline two", "1234 5678"])
        xdotool("type", "--delay", 20, text)
        return text

    def send_typed(self):
        if not self.main_window_has_keys():
            return "no main window in front"
        xdotool("key", "ctrl+Return")

    def message_arrives(self):
        self.send(1)

    def messages_burst(self):
        count = self.random.randint(3, 20)
        self.send(count)
        return "%d messages" % count

    def scan(self):
        run(self.program.lyrnet, "scan", "--wait", 1, timeout=10)

    def pause(self):
        seconds = self.random.choice([0.5, 1, 2])
        time.sleep(seconds)
        return "%s s" % seconds

    ACTIONS = [
        (lyrnet_show, 3), (lyrnet_hide, 2), (hot_key, 3), (tray_left_click, 3),
        (tray_auto_reply, 1), (tray_settings, 2), (main_menu, 3), (settings_by_keys, 2),
        (settings_pages, 3), (view_skins, 1), (escape, 3), (context_menu, 2), (type_text, 2),
        (send_typed, 1),
        (message_arrives, 4), (messages_burst, 2), (scan, 1), (pause, 2),
    ]

    # Helpers of the actions.
    def press_escape(self):
        """Escape closes an open menu, else the window in front and no other; the main window
        behind a dialog of ours, which takes no keys, stays even when it has the focus."""
        front = self.program.active()
        menu_open = any(w.popup and not self.program.is_icon(w) for w in self.program.windows())
        before = {w.id: w.title for w in self.program.shown()}
        blocked = front is not None and front.id == self.program.main_id and len(before) > 1
        xdotool("key", "Escape")
        time.sleep(1)
        after = {w.id for w in self.program.shown()}
        closed = [title for id, title in before.items() if id not in after and (
            menu_open or blocked or front is None or id != front.id)]
        if closed:
            raise Failure("Escape %s closed %s" % (
                "in an open menu" if menu_open else "in front of %r" % (
                    front.title if front else "no window of ours"), ", ".join(closed)))
        return front.title if front else None

    def send(self, count):
        for _ in range(count):
            text = "seed %d message %d" % (self.seed, len(self.sent))
            if run(*self.send_command, text, timeout=15) is None:
                raise Failure("the second host could not send %r" % text)
            self.sent.append(text)

    def main_window_to_front(self):
        main = self.program.main()
        if main is None:
            return None
        xdotool("windowactivate", main.id)
        time.sleep(0.3)
        return main

    def main_window_has_keys(self):
        """The main window in front for keys meant for it; behind a modal dialog of ours the
        dialog takes the keys back, and Enter there would press OK or pick a skin."""
        main = self.main_window_to_front()
        if main is None:
            return False
        in_front = self.program.active()
        return in_front is not None and in_front.id == main.id

    def click_icon(self, button):
        icon = self.program.icon()
        if icon is None:
            raise Failure("the tray icon is not in the tray")
        xdotool("mousemove", icon.x + icon.width // 2, icon.y + icon.height // 2, "click", button)

    def open_tray_menu(self):
        """A right click on the icon; one more when the first only closed another menu."""
        for _ in range(2):
            self.click_icon(3)
            if eventually(3, lambda: self.program.tray_menu() is not None):
                return self.program.tray_menu()
        return None

    def choose_in_tray_menu(self, top):
        menu = self.open_tray_menu()
        if menu is None:
            raise Failure("a right click on the tray icon opens no menu")
        frame = (menu.height - ROWS_HEIGHT) // 2
        xdotool("mousemove", menu.x + menu.width // 2, menu.y + frame + top + ROW // 2)
        time.sleep(0.3)
        xdotool("click", 1)

    # The checks after every step.
    def check_answers(self):
        if not self.program.alive():
            raise Failure("the program has ended")
        if not self.program.answers():
            raise Failure("the program does not answer lyrnet status within 2 s")

    def check_tray_menu(self):
        if self.open_tray_menu() is None:
            raise Failure("a right click on the tray icon opens no menu")
        xdotool("key", "Escape")
        if not eventually(5, lambda: self.program.tray_menu() is None):
            raise Failure("Escape does not close the tray menu")

    def check_settings(self):
        now = read_settings(self.settings_file)
        changed = sorted(name for name in set(now) | set(self.baseline)
                         if name not in self.changed and now.get(name) != self.baseline.get(name))
        if changed:
            raise Failure("settings changed that no step changed: " + ", ".join(
                "%s %s -> %s" % (name, self.baseline.get(name), now.get(name))
                for name in changed))

    def close_everything(self):
        """Closes the program's windows one by one as a person would: the one in front first,
        with Escape, else the window manager's Alt+F4; a window that will not close yet is
        tried again after the others."""
        refused = set()
        for _ in range(40):
            shown = self.program.shown()
            if not shown:
                return
            active = self.program.active()
            untried = [w for w in shown if w.id not in refused]
            if not untried:
                raise Failure("windows that cannot be closed (Escape, Alt+F4): %s"
                              % ", ".join(w.title for w in shown))
            window = active if active in untried else untried[-1]
            gone = lambda: window.id not in [w.id for w in self.program.shown()]
            for keys in ["Escape"], ["alt+F4"]:
                xdotool("windowactivate", window.id)
                time.sleep(0.2)
                xdotool("key", *keys)
                if eventually(3, gone):
                    refused.clear()
                    break
            else:
                note = "  %r (of %s) does not close yet" % (
                    window.title, ", ".join(w.title for w in shown))
                print(note, flush=True)
                self.steps.append(note)
                refused.add(window.id)
        raise Failure("windows keep coming: %s" % ", ".join(w.title for w in shown))

    def step(self, action):
        self.steps_taken += 1
        result = action(self) or ""
        time.sleep(0.3)
        shown = ", ".join(window.title for window in self.program.shown())
        line = "%d %s %s [shown: %s; in front: %s]" % (
            self.steps_taken, action.__name__, result, shown, self.program.active_title())
        self.steps.append(line)
        print(line, flush=True)
        self.check_answers()
        self.check_tray_menu()
        self.check_settings()

    def run(self, seconds, max_steps):
        end = time.monotonic() + seconds
        if not eventually(10, lambda: self.program.icon() is not None):
            raise Failure("the tray icon does not come into the tray")
        self.program.find_main()
        while time.monotonic() < end and self.steps_taken < max_steps:
            for _ in range(self.random.randint(2, 8)):
                if self.steps_taken < max_steps:
                    self.step(self.random.choice(self.actions))
            self.steps.append("close everything")
            print("close everything", flush=True)
            self.close_everything()
            self.check_answers()

    def end(self):
        """SIGTERM; then the settings it wrote and every message sent to it in its inbox."""
        self.steps.append("SIGTERM")
        os.kill(self.program.pid, signal.SIGTERM)
        if not eventually(10, lambda: not self.program.alive()):
            raise Failure("SIGTERM does not end the program within 10 s")
        self.check_settings()
        output = run(self.program.lyrnet, "history", "--data-dir", self.data_dir, "--json",
                     timeout=60) or ""
        texts = set()
        for line in output.splitlines():
            try:
                texts.add(json.loads(line).get("text", ""))
            except ValueError:
                pass
        missing = [text for text in self.sent if text not in texts]
        if missing:
            raise Failure("%d of %d received messages are not in the inbox, the first: %r"
                          % (len(missing), len(self.sent), missing[0]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, required=True)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--steps", type=int, default=10 ** 9)
    parser.add_argument("--leave-out", default="", help="actions to draw no steps of")
    arguments = parser.parse_args()
    exerciser = Exerciser(arguments.seed, os.environ, arguments.leave_out.split(","))
    try:
        exerciser.run(arguments.seconds, arguments.steps)
        exerciser.end()
    except Exception as failure:  # a fault of the driver is reported with the seed as well
        if not isinstance(failure, Failure):
            traceback.print_exc()
        print("FAILED (seed %d): %s" % (arguments.seed, failure))
        print("steps of seed %d:" % arguments.seed)
        for line in exerciser.steps:
            print("  " + line)
        return 1
    print("seed %d: %d steps, %d messages, no fault found"
          % (arguments.seed, exerciser.steps_taken, len(exerciser.sent)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
