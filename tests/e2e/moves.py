"""What a person does with the program: presses, clicks, keys and typing, menus and context
menus, going down the folder tree."""

import time

from tree import (APP_STARTUP_MS, CALL_TIMEOUT_MS, PRESS_TIMEOUT_MS, Atspi, Failure, GLib,
                  action_names, children, describe, find, find_all, is_enabled, is_focused,
                  is_selected, is_showing, item, name_of, pump, role_of, wait_until)

# X key symbols of the keys the roads press; a single character is its own symbol.
KEYSYMS = {"BackSpace": 0xFF08, "Tab": 0xFF09, "Return": 0xFF0D, "Escape": 0xFF1B,
           "Home": 0xFF50, "Left": 0xFF51, "Up": 0xFF52, "Right": 0xFF53, "Down": 0xFF54,
           "Page_Up": 0xFF55, "Page_Down": 0xFF56, "End": 0xFF57, "Menu": 0xFF67,
           "F6": 0xFFC3, "F10": 0xFFC7, "Delete": 0xFFFF, "space": 0x20}

# The left Alt key of the virtual X server's keyboard map.
ALT_KEYCODE = 64

_MODIFIERS = {"Shift": 1, "Control": 4, "Alt": 8}

_popups = None


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


def set_text(node, text):
    """Replaces the text of an edit, as a screen reader's user typing it would."""
    if node.get_editable_text_iface() is None:
        raise Failure(f"{describe(node)} is not an editable text")
    Atspi.EditableText.set_text_contents(node, text)


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


def tap_alt():
    """Alt pressed and released alone, which puts the menu bar under the keyboard. It is sent
    as two events with a pause: a press and release sent as one key symbol reach the window so
    that the menu bar gives the focus straight back."""
    Atspi.generate_keyboard_event(ALT_KEYCODE, None, Atspi.KeySynthType.PRESS)
    time.sleep(0.15)
    Atspi.generate_keyboard_event(ALT_KEYCODE, None, Atspi.KeySynthType.RELEASE)
    time.sleep(0.1)
    pump()


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


def box_of(node):
    """The node's place on the screen: x, y, width and height."""
    return Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)


def centre(node):
    box = box_of(node)
    if box.width <= 0 or box.height <= 0:
        raise Failure(f"{describe(node)} has no place on the screen")
    return box.x + box.width // 2, box.y + box.height // 2


# Longer than the desktop's double-click interval (Qt's default is 400 ms).
DOUBLE_CLICK_GAP_S = 0.6


def click(node, button=1, double=False, again=False):
    """Clicks the middle of node with the pointer, as a person would. again: a click on what
    was just clicked, a moment later, so that the two are not taken for a double click."""
    if again:
        time.sleep(DOUBLE_CLICK_GAP_S)
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


def expect_popup():
    """Call before the key or click that opens a context menu: popup() then finds it."""
    global _popups
    if _popups is None:
        _popups = _PopupWatch()
    _popups.shown.clear()


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
