"""What the roads share about Pixovia's main window: where the pictures live, finding its
panes, and the common moves (open a folder, add pictures, answer a question, Settings)."""

import os

import desk
from desk import check

HOME = os.environ.get("HOME", "")
FOLDER = os.path.join(HOME, "Pictures")


def browser_of(frame):
    """The image browser's view: thumbnails or details."""
    return desk.find(frame, None, lambda n: n in ("Pictures", "Image browser"), showing=True)


def job_rows(frame):
    return desk.table_rows(desk.find(frame, "table", "Job list"))


def log_lines(frame):
    return desk.item_names(desk.find(frame, "list", "Output"))


def tree_path(tree, folder):
    """The tree items from the top to folder: under "Home" when the tree has it, else from "/"."""
    if desk.find_all(tree, None, "Home", showing=True):
        return ["Home"] + os.path.relpath(folder, HOME).split(os.sep)
    return ["/"] + folder.strip(os.sep).split(os.sep)


def add_pictures(program, frame, names, command="context menu"):
    """Selects the named pictures in the browser and adds them to the job list: with "Add to
    list" from the browser's context menu, or with "Add image" from the Action menu."""
    browser = browser_of(frame)
    first = desk.item(browser, names[0])
    desk.click(first)
    for name in names[1:]:
        desk.press(desk.item(browser, name), "Toggle")
    desk.wait_until(lambda: all(desk.is_selected(desk.item(browser, n)) for n in names),
                    f"{names} selected")
    if command == "context menu":
        desk.context_command(program, first, "Add to list")
    else:
        desk.menu_command(frame, "Action", "Add image")


def answer(program, button, expect=None):
    """Answers the program's question with button; checks its text when expect is given."""
    question = program.window(role="alert")
    if expect is not None:
        text = " ".join(desk.name_of(n) for n in desk.find_all(question, "label"))
        check(expect in text, f"the question reads {text!r}, expected {expect!r}")
    desk.press(desk.find(question, "push button", button))
    desk.wait_until(lambda: not desk.is_showing(question), "the question to close")


def open_settings(program, frame):
    """Selects every row of the job list and opens "Settings" from its context menu."""
    table = desk.find(frame, "table", "Job list")
    first = desk.find(table, "table cell", showing=True)
    desk.click(first)
    desk.chord("Control", "a")
    desk.context_command(program, first, "Settings")
    return program.window(role="dialog", name="Settings")


def choose_format(dialog, label):
    """Chooses a format the way a keyboard user does: the list has the focus when the dialog
    opens, and the entry's initial selects it. A combo box is named by the entry it shows."""
    combo = desk.find(dialog, "combo box")
    desk.wait_until(lambda: desk.is_focused(combo), "the format list to have the focus")
    desk.type_text(label[0])
    desk.wait_until(lambda: desk.name_of(combo) == label, f"the format list to show {label!r}")


def type_into(dialog, label, text, role=None):
    """Types text into the edit named label (of that role when given: a combo box may be named
    by the same entry), replacing what it held, one key at a time."""
    edit = desk.find(dialog, role, label, showing=True) if role else desk.control(dialog, label)
    desk.press(edit, "SetFocus")
    desk.wait_until(lambda: desk.is_focused(edit) or
                    any(desk.is_focused(c) for c in desk.children(edit)), f"{label!r} focused")
    desk.chord("Control", "a")
    desk.type_text(text)
    desk.wait_until(lambda: desk.value_of(edit) == text, f"{label!r} to read {text!r}")
    return edit


# Mnemonics of the Settings dialog's boxes and rotation buttons ("&Resize", "&90 degree", ...).
MNEMONICS = {"Resize": "r", "Rotate": "t", "Rename": "e", "90 degree": "9", "180 degree": "8",
             "270 degree": "7", "Only shrink": "y", "Keep folder structure": "k"}


def tick(dialog, label):
    """Ticks a box or a rotation button with its mnemonic, as a keyboard user does. (Their
    Toggle action ticks them on screen without telling the dialog, which then shows its own
    state again at the next change.)"""
    box = desk.control(dialog, label)
    if not desk.is_checked(box):
        desk.chord("Alt", MNEMONICS[label])
    desk.wait_until(lambda: desk.is_checked(box), f"{label!r} checked")


def settings(program, frame, resize_width=None, rotate=None, prefix=None, number=None):
    """Opens "Settings" for every row, chooses PNG and the given changes, and presses OK."""
    dialog = open_settings(program, frame)
    choose_format(dialog, "PNG")
    if resize_width is not None:
        tick(dialog, "Resize")
        check(desk.is_checked(desk.control(dialog, "Constrain Proportions")),
              "Constrain Proportions is clear")
        type_into(dialog, "Width", resize_width)
    if rotate is not None:
        tick(dialog, "Rotate")
        button = desk.control(dialog, rotate)
        check(desk.role_of(button) == "radio button", f"{rotate!r} is a {desk.role_of(button)}")
        desk.wait_until(lambda: desk.is_enabled(button), f"{rotate!r} enabled")
        tick(dialog, rotate)
    if prefix is not None:
        tick(dialog, "Rename")
        type_into(dialog, "Prefix", prefix)
        type_into(dialog, "Number From", number)
    desk.press(desk.control(dialog, "OK"))
    desk.wait_until(lambda: not desk.is_showing(dialog), "the Settings dialog to close")
