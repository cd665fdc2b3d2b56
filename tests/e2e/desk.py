"""Drives Pixovia the way assistive technology does: through the AT-SPI accessibility tree.

A road is a list of named steps. Every wait has a timeout; when a step fails, the road stops, a
screenshot of the virtual screen and a dump of the accessibility tree are written into the
road's work folder and their paths are printed beside the failed step.

run.sh sets the environment: PIXOVIA (the program), E2E_WORK (the road's work folder), a
sandbox HOME, the virtual display and a private D-Bus session with the accessibility bus.
"""

import contextlib
import os
import subprocess
import sys
import time
import traceback
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The GObject bindings mark several still-working calls as deprecated; the warnings would bury
# the road's own output.
warnings.filterwarnings("ignore", category=DeprecationWarning)

# Seconds to wait for something a person would see at once; the sanitizer build is slower.
WAIT = float(os.environ.get("E2E_WAIT", "20"))

# Milliseconds the program has to answer a question about its tree (a busy sanitizer build is
# slow), and to acknowledge a press.
CALL_TIMEOUT_MS = 10000
PRESS_TIMEOUT_MS = 500
APP_STARTUP_MS = 15000
Atspi.set_timeout(CALL_TIMEOUT_MS, APP_STARTUP_MS)

# A wait longer than this is reported, to show where a road spends its time.
SLOW = 2.0

WORK = os.environ.get("E2E_WORK", os.getcwd())
PROGRAM = os.environ.get("PIXOVIA", "pixovia")


class Failure(Exception):
    """A step found the program in a state a person would call wrong."""


# ---------------------------------------------------------------------------------------------
# Waiting


def pump():
    """Lets the accessibility library handle the events it has received (it keeps a cache)."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_until(probe, what, timeout=None, interval=0.05):
    """Calls probe until it answers something true and returns that; fails after timeout."""
    started = time.monotonic()
    limit = started + (WAIT if timeout is None else timeout)
    last_error = None
    while True:
        pump()
        try:
            value = probe()
            if value:
                if time.monotonic() - started > SLOW:
                    print(f"   (waited {time.monotonic() - started:.1f}s for {what})", flush=True)
                return value
        except GLib.Error as error:  # an object went away while we looked at it
            last_error = error
        if time.monotonic() > limit:
            detail = f" (last error: {last_error})" if last_error else ""
            raise Failure(f"timed out after {timeout or WAIT:.0f}s waiting for {what}{detail}")
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# The tree


def role_of(node):
    try:
        return node.get_role_name()
    except GLib.Error:
        return "?"


def name_of(node):
    try:
        return node.get_name() or ""
    except GLib.Error:
        return ""


def children(node):
    try:
        count = node.get_child_count()
    except GLib.Error:
        return []
    result = []
    for i in range(count):
        try:
            child = node.get_child_at_index(i)
        except GLib.Error:
            continue
        if child is not None:
            result.append(child)
    return result


def states(node):
    try:
        return node.get_state_set()
    except GLib.Error:
        return None


def is_showing(node):
    state = states(node)
    return state is not None and state.contains(Atspi.StateType.SHOWING)


def is_enabled(node):
    state = states(node)
    return state is not None and state.contains(Atspi.StateType.ENABLED)


def is_checked(node):
    state = states(node)
    return state is not None and state.contains(Atspi.StateType.CHECKED)


def is_focused(node):
    state = states(node)
    return state is not None and state.contains(Atspi.StateType.FOCUSED)


def walk(node, depth=0, limit=40):
    """Every node below node, depth first (node itself first)."""
    yield node, depth
    if depth >= limit:
        return
    for child in children(node):
        yield from walk(child, depth + 1, limit)


def matches(node, role, name):
    if role is not None and role_of(node) != role:
        return False
    if name is None:
        return True
    text = name_of(node)
    return name(text) if callable(name) else text == name


def find_all(root, role=None, name=None, showing=False):
    return [n for n, _ in walk(root) if matches(n, role, name) and (not showing or is_showing(n))]


def find(root, role=None, name=None, timeout=None, showing=False):
    """The first node under root with this role and accessible name, waiting for it."""
    what = f"{role or 'node'} {name!r}" if name is not None and not callable(name) else role
    return wait_until(lambda: next(iter(find_all(root, role, name, showing)), None),
                      f"{what} in {describe(root)}", timeout)


def gone(root, role=None, name=None, timeout=None):
    """Waits until nothing under root has this role and name any more."""
    wait_until(lambda: not find_all(root, role, name, showing=True),
               f"{role} {name!r} to go away", timeout)


def describe(node):
    return f"{role_of(node)} {name_of(node)!r}"


def dump(root, out):
    """Writes the tree under root: one line per node with role, name, states of interest,
    actions and, for text, its content."""
    for node, depth in walk(root):
        line = f"{'  ' * depth}{role_of(node)} {name_of(node)!r}"
        state = states(node)
        if state is not None:
            flags = [f for f, s in (("focused", Atspi.StateType.FOCUSED),
                                    ("selected", Atspi.StateType.SELECTED),
                                    ("checked", Atspi.StateType.CHECKED),
                                    ("disabled", None)) if s and state.contains(s)]
            if not state.contains(Atspi.StateType.ENABLED):
                flags.append("disabled")
            if not state.contains(Atspi.StateType.SHOWING):
                flags.append("hidden")
            if flags:
                line += " [" + ",".join(flags) + "]"
        names = action_names(node)
        if names:
            line += " actions=" + ",".join(names)
        text = text_of(node)
        if text and text != name_of(node):
            line += f" text={text!r}"
        out.write(line + "\n")


# ---------------------------------------------------------------------------------------------
# Acting


def action_names(node):
    try:
        return [node.get_action_name(i) for i in range(node.get_n_actions())]
    except (GLib.Error, AttributeError, NotImplementedError):
        return []


def press(node, action=None):
    """Runs the node's press action (a button, a menu item, a check box)."""
    pump()
    names = action_names(node)
    wanted = [action] if action else ["Press", "press", "click", "Toggle", "toggle"]
    for candidate in wanted:
        if candidate in names:
            # An action that opens a modal dialog answers only when the dialog closes: the
            # press is sent, and the dialog is then awaited like anything else.
            Atspi.set_timeout(PRESS_TIMEOUT_MS, 0)
            try:
                node.do_action(names.index(candidate))
            except GLib.Error as error:
                if "Did not receive a reply" not in str(error):
                    raise
            finally:
                Atspi.set_timeout(CALL_TIMEOUT_MS, APP_STARTUP_MS)
            return
    raise Failure(f"{describe(node)} has no {' or '.join(wanted)} action (it has {names})")


def text_of(node):
    try:
        text = node.get_text_iface()
        if text is None:
            return ""
        return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
    except (GLib.Error, AttributeError, NotImplementedError):
        return ""


def set_text(node, text):
    """Replaces the text of an edit, as a screen reader's user typing it would."""
    if node.get_editable_text_iface() is None:
        raise Failure(f"{describe(node)} is not an editable text")
    Atspi.EditableText.set_text_contents(node, text)


def grab_focus(node):
    try:
        Atspi.Component.grab_focus(node)
    except GLib.Error as error:
        raise Failure(f"cannot focus {describe(node)}: {error}")


# X key symbols of the keys the roads press; a single character is its own symbol.
KEYSYMS = {"BackSpace": 0xFF08, "Tab": 0xFF09, "Return": 0xFF0D, "Escape": 0xFF1B,
           "Home": 0xFF50, "Left": 0xFF51, "Up": 0xFF52, "Right": 0xFF53, "Down": 0xFF54,
           "Page_Up": 0xFF55, "Page_Down": 0xFF56, "End": 0xFF57, "Menu": 0xFF67,
           "F6": 0xFFC3, "F10": 0xFFC7, "Delete": 0xFFFF, "space": 0x20}


def keysym(name):
    if name in KEYSYMS:
        return KEYSYMS[name]
    if len(name) == 1:
        return ord(name)
    raise Failure(f"no key symbol for {name!r}")


def keys(*names):
    """Presses and releases keys by their X names ("Tab", "Return", "Down", "F10", "a")."""
    for key in names:
        Atspi.generate_keyboard_event(keysym(key), None, Atspi.KeySynthType.SYM)
        time.sleep(0.05)
    pump()


# The left Alt key of the virtual X server's keyboard map.
ALT_KEYCODE = 64


def tap_alt():
    """Alt pressed and released alone, which puts the menu bar under the keyboard. It is sent
    as two events with a pause: a press and release sent as one key symbol reach the window so
    that the menu bar gives the focus straight back."""
    Atspi.generate_keyboard_event(ALT_KEYCODE, None, Atspi.KeySynthType.PRESS)
    time.sleep(0.15)
    Atspi.generate_keyboard_event(ALT_KEYCODE, None, Atspi.KeySynthType.RELEASE)
    time.sleep(0.1)
    pump()


_MODIFIERS = {"Shift": 1, "Control": 4, "Alt": 8}


def chord(modifier, key):
    """A key with a modifier held: chord("Control", "c")."""
    mask = _MODIFIERS[modifier]
    Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.LOCKMODIFIERS)
    try:
        Atspi.generate_keyboard_event(keysym(key), None, Atspi.KeySynthType.SYM)
    finally:
        Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.UNLOCKMODIFIERS)
    time.sleep(0.05)
    pump()


def type_text(text):
    """Types text at the keyboard focus."""
    Atspi.generate_keyboard_event(0, text, Atspi.KeySynthType.STRING)
    time.sleep(0.05)
    pump()


def centre(node):
    box = Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)
    if box.width <= 0 or box.height <= 0:
        raise Failure(f"{describe(node)} has no place on the screen")
    return box.x + box.width // 2, box.y + box.height // 2


def click(node, button=1, double=False):
    """Clicks the middle of node with the pointer, as a person would."""
    x, y = centre(node)
    Atspi.generate_mouse_event(x, y, f"b{button}{'d' if double else 'c'}")
    time.sleep(0.1)
    pump()


def menu_command(window, *path):
    """Runs a command of the menu bar by its menu path: menu_command(frame, "Action", "Start").
    The item is pressed through its action, without opening the menu."""
    bar = find(window, "menu bar")
    node = bar
    for title in path:
        node = find(node, "menu item", title)
    wait_until(lambda: is_enabled(node), f"menu item {path[-1]!r} to be enabled")
    press(node)


class _PopupWatch:
    """Qt leaves popup menus out of the program's list of windows; they are reached through
    the event the tree sends when one is shown."""

    def __init__(self):
        self.shown = []
        self._listener = Atspi.EventListener.new(self._event)
        self._listener.register("object:state-changed:showing")

    def _event(self, event):
        if event.detail1 and role_of(event.source) in ("popup menu", "menu"):
            self.shown.append(event.source)


_popups = None


def expect_popup():
    """Call before the key or click that opens a context menu: popup() then finds it."""
    global _popups
    if _popups is None:
        _popups = _PopupWatch()
    _popups.shown.clear()


def menu_by_keyboard(window, title, entry):
    """Runs a menu bar command with the keyboard alone: Alt, the arrows to the menu, Down to
    open it (its first enabled entry becomes the current one), Down to the entry, Return. The
    entries are counted once the menu is open: the window updates them as it opens."""
    bar = find(window, "menu bar")
    titles = [name_of(n) for n in children(bar) if role_of(n) == "menu item"]
    menu = find(bar, "menu item", title)
    tap_alt()
    wait_until(lambda: any(is_focused(n) for n in children(bar)), "the menu bar to take the keys")
    keys(*["Right"] * titles.index(title))
    keys("Down")
    popup_menu = find(menu, "popup menu", showing=True)
    entries = [n for n in children(popup_menu) if role_of(n) == "menu item" and is_enabled(n)]
    target = next((n for n in entries if name_of(n) == entry), None)
    if target is None:
        keys("Escape", "Escape")
        raise Failure(f"{entry!r} is not enabled in the menu {title!r} "
                      f"(it offers {[name_of(n) for n in entries]})")
    keys(*["Down"] * entries.index(target))
    keys("Return")


def focus_by_tab(window, node, limit=12):
    """Presses Tab until node (or a part of it) has the keyboard focus."""
    for _ in range(limit):
        pump()
        if is_focused(node) or any(is_focused(c) for c in children(node)[:50]):
            return
        keys("Tab")
        time.sleep(0.1)
    raise Failure(f"Tab never reached {describe(node)}")


def popup(program, item, timeout=None):
    """The context menu the program shows that offers item."""

    def probe():
        for menu in reversed(_popups.shown):
            if is_showing(menu) and find_all(menu, "menu item", item):
                return menu
        return None

    return wait_until(probe, f"a context menu offering {item!r}", timeout)


def context_command(program, node, item):
    """Opens node's context menu with the right button and chooses item from it with the arrow
    keys and Return, as a person at the keyboard does. (Its Press action would not do: a menu
    that answers the chosen command to its caller ignores an action triggered from outside.)"""
    expect_popup()
    click(node, button=3)
    menu = popup(program, item)
    entries = [n for n in children(menu) if role_of(n) == "menu item" and is_enabled(n)]
    target = next((n for n in entries if name_of(n) == item), None)
    if target is None:
        raise Failure(f"{item!r} is not enabled in the context menu "
                      f"(it offers {[name_of(n) for n in entries]})")
    keys(*["Down"] * (entries.index(target) + 1))
    keys("Return")


ITEM_ROLES = ("tree item", "table cell", "list item")


def caption(node):
    """The first line of an item's name: a thumbnail's name may carry its size on a second."""
    return name_of(node).split("\n")[0]


def items(view):
    """The showing rows of a list or tree (their first cells), in order."""
    return [n for n in children(view) if role_of(n) in ITEM_ROLES and is_showing(n)
            and _first_column(view, n)]


def _first_column(view, node):
    try:
        if view.get_table_iface() is None:
            return True
        return Atspi.TableCell.get_position(node)[2] == 0
    except (GLib.Error, AttributeError, TypeError):
        return True


def item(view, name, timeout=None):
    """A showing row or cell of a list, table or tree by its text."""
    return wait_until(lambda: next((n for n in find_all(view, None, None, showing=True)
                                    if role_of(n) in ITEM_ROLES and caption(n) == name), None),
                      f"item {name!r} in {describe(view)}", timeout)


def control(window, name, timeout=None):
    """A control of a dialog by its accessible name (its label without the colon); the label
    itself, which reads the same, is passed over."""
    return wait_until(
        lambda: next((n for n in find_all(window, None, name, showing=True)
                      if role_of(n) not in ("label", "panel", "filler")), None),
        f"control {name!r} in {describe(window)}", timeout)


def value_of(node):
    """What an edit or a spin box shows."""
    text = text_of(node)
    if text:
        return text
    for child in children(node):
        text = text_of(child)
        if text:
            return text
    try:
        return str(int(Atspi.Value.get_current_value(node)))
    except (GLib.Error, AttributeError, TypeError):
        return ""


def open_folder(tree, names):
    """Opens a folder in a folder tree: a click on its top level, then the keyboard."""
    click(item(tree, names[0]))
    type_down_tree(tree, names)


def type_down_tree(tree, names):
    """Goes down a tree that has the keyboard focus the way a person does: typing the start of
    each name jumps to it (and scrolls it into view), the Right key opens it."""
    for depth, name in enumerate(names):
        wait_until(lambda: find_all(tree, None, name), f"{name!r} in {describe(tree)}")
        time.sleep(0.5)  # a pause ends the previous type-ahead search
        type_text(name)
        wait_until(lambda: any(is_selected(n) for n in find_all(tree, None, name)),
                   f"{name!r} to be selected")
        if depth < len(names) - 1:
            keys("Right")


def is_selected(node):
    state = states(node)
    return state is not None and state.contains(Atspi.StateType.SELECTED)


# ---------------------------------------------------------------------------------------------
# Reading lists and tables


def table_rows(table):
    """The cell texts of a table or tree table, row by row."""
    if table.get_table_iface() is None:
        raise Failure(f"{describe(table)} is not a table")
    rows = []
    for r in range(Atspi.Table.get_n_rows(table)):
        row = []
        for c in range(Atspi.Table.get_n_columns(table)):
            cell = Atspi.Table.get_accessible_at(table, r, c)
            row.append(name_of(cell) if cell is not None else "")
        rows.append(row)
    return rows


def column_titles(table):
    titles = []
    for c in range(Atspi.Table.get_n_columns(table)):
        header = Atspi.Table.get_column_header(table, c)
        titles.append(name_of(header) if header is not None else
                      Atspi.Table.get_column_description(table, c) or "")
    return titles


def item_names(node, role="list item"):
    """The names of the items of a list, in order."""
    return [name_of(n) for n in children(node) if role is None or role_of(n) == role]


class WindowWatch:
    """Records every window the tree announces (created, activated or shown) while it listens:
    the accessibility library hands over those events as they are pumped."""

    EVENTS = ("window:create", "window:activate", "object:state-changed:showing")

    def __init__(self):
        self.seen = []
        self._listener = Atspi.EventListener.new(self._event)
        for kind in self.EVENTS:
            self._listener.register(kind)

    def _event(self, event):
        source = event.source
        try:
            if event.type.startswith("object:") and not event.detail1:
                return
            if event.type.startswith("object:") and role_of(source) not in (
                    "frame", "dialog", "alert", "window", "file chooser"):
                return
            self.seen.append((event.type, source.get_process_id(), describe(source)))
        except GLib.Error:
            self.seen.append((event.type, None, "?"))

    def of(self, pid):
        return [(kind, what) for kind, who, what in self.seen if who in (pid, None)]

    def close(self):
        for kind in self.EVENTS:
            self._listener.deregister(kind)


# ---------------------------------------------------------------------------------------------
# The program


class Program:
    """One run of pixovia with its own output files and its place in the accessibility tree."""

    def __init__(self, *args, name="pixovia", cwd=None):
        self.name = name
        self.stdout_path = os.path.join(WORK, f"{name}.out")
        self.stderr_path = os.path.join(WORK, f"{name}.err")
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        with open(self.stdout_path, "w") as out, open(self.stderr_path, "w") as err:
            self.process = subprocess.Popen([PROGRAM, *args], stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL, cwd=cwd or WORK, env=env)
        _running.append(self)

    @property
    def pid(self):
        return self.process.pid

    def node(self):
        """The program's application node in the tree, or None while it is not registered."""
        for app in children(Atspi.get_desktop(0)):
            try:
                if app.get_process_id() == self.pid:
                    app.set_cache_mask(Atspi.Cache.NONE)
                    return app
            except GLib.Error:
                continue
        return None

    def application(self, timeout=None):
        return wait_until(self.node, f"{self.name} in the accessibility tree", timeout)

    def windows(self):
        app = self.node()
        return children(app) if app is not None else []

    def window(self, role="frame", name=None, timeout=None):
        """A top-level window of the program: the main frame, a dialog, a message box."""

        def probe():
            if self.process.poll() is not None:
                raise Failure(f"{self.name} ended with status {self.process.returncode} "
                              f"while a {role} was awaited; standard error:\n{self.stderr()}")
            return next((w for w in self.windows() if matches(w, role, name) and is_showing(w)),
                        None)

        return wait_until(probe, f"{role} {name!r} of {self.name}", timeout)

    def activate(self, title="Pixovia"):
        """Gives the program's window the keyboard focus, as a desktop's window manager does
        when a program starts (the virtual X server has none)."""
        command = ["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(self.pid),
                   "--name", f"^{title}$", "windowfocus", "--sync"]
        try:
            subprocess.run(command, check=True, capture_output=True, timeout=WAIT)
        except (subprocess.CalledProcessError, subprocess.TimeoutExpired) as error:
            raise Failure(f"cannot give {title!r} the focus: {error}")

    def wait_exit(self, timeout=None):
        """Waits for the program to end by itself; answers its exit status."""
        wait_until(lambda: self.process.poll() is not None, f"{self.name} to end", timeout)
        return self.process.returncode

    def stdout(self):
        with open(self.stdout_path) as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path) as f:
            return f.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


_running = []


# ---------------------------------------------------------------------------------------------
# Steps and failure reports

_current = {"road": "?", "step": "start"}


@contextlib.contextmanager
def step(text):
    _current["step"] = text
    started = time.monotonic()
    print(f"-- {_current['road']}: {text}", flush=True)
    yield
    print(f"   ok ({time.monotonic() - started:.1f}s)", flush=True)


def check(condition, message):
    if not condition:
        raise Failure(message)


def screenshot(path):
    from PIL import ImageGrab

    ImageGrab.grab(xdisplay=os.environ.get("DISPLAY")).save(path)


def keep_evidence():
    """Writes the screenshot and the tree dump of the moment of failure; answers their paths."""
    kept = []
    shot = os.path.join(WORK, "failure.png")
    try:
        screenshot(shot)
        kept.append(("screenshot", shot))
    except Exception as error:  # the evidence must never hide the failure itself
        print(f"   (no screenshot: {error})")
    tree = os.path.join(WORK, "failure-tree.txt")
    try:
        with open(tree, "w") as out:
            dump(Atspi.get_desktop(0), out)
        kept.append(("accessibility tree", tree))
    except Exception as error:
        print(f"   (no tree dump: {error})")
    for program in _running:
        kept.append((f"{program.name} standard output", program.stdout_path))
        kept.append((f"{program.name} standard error", program.stderr_path))
    return kept


def run_road(road, body):
    """Runs body() as the road; the exit status tells ctest whether it passed."""
    _current["road"] = road
    started = time.monotonic()
    status = 0
    try:
        body()
    except Exception as error:
        status = 1
        print(f"FAILED road {road}, step \"{_current['step']}\": {error}", flush=True)
        if not isinstance(error, Failure):
            traceback.print_exc(file=sys.stdout)
        for what, path in keep_evidence():
            print(f"   {what}: {path}")
    finally:
        for program in _running:
            program.stop()
    if status == 0:
        print(f"PASSED road {road} ({time.monotonic() - started:.1f}s)")
    sys.exit(status)
