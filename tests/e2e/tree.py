"""The accessibility tree as the roads see it: waiting with a timeout, finding nodes by role and
name, reading their states, texts, rows and items, and dumping the whole tree for a failure."""

import os
import time
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

ITEM_ROLES = ("tree item", "table cell", "list item")


class Failure(Exception):
    """A step found the program in a state a person would call wrong."""


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


def labels_of(node):
    """The names of the nodes that label node (its "labelled by" relations)."""
    try:
        relations = node.get_relation_set()
    except GLib.Error:
        return []
    return [name_of(r.get_target(i)) for r in relations
            if r.get_relation_type() == Atspi.RelationType.LABELLED_BY
            for i in range(r.get_n_targets())]


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


def is_expandable(node):
    """A tree item with an opener: it has, or may have, items below it."""
    state = states(node)
    return state is not None and state.contains(Atspi.StateType.EXPANDABLE)


def is_selected(node):
    state = states(node)
    return state is not None and state.contains(Atspi.StateType.SELECTED)


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


def describe(node):
    return f"{role_of(node)} {name_of(node)!r}"


def dump(root, out):
    """Writes the tree under root: one line per node with role, name, states of interest,
    actions and, for text, its content."""
    for node, depth in walk(root):
        line = f"{'  ' * depth}{role_of(node)} {name_of(node)!r}"
        state = states(node)
        if state is not None:
            flags = [flag for flag, kind in (("focused", Atspi.StateType.FOCUSED),
                                             ("selected", Atspi.StateType.SELECTED),
                                             ("checked", Atspi.StateType.CHECKED))
                     if state.contains(kind)]
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


def action_names(node):
    try:
        return [node.get_action_name(i) for i in range(node.get_n_actions())]
    except (GLib.Error, AttributeError, NotImplementedError):
        return []


def text_of(node):
    try:
        text = node.get_text_iface()
        if text is None:
            return ""
        return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
    except (GLib.Error, AttributeError, NotImplementedError):
        return ""


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


def item_names(node, role="list item"):
    """The names of the items of a list, in order."""
    return [name_of(n) for n in children(node) if role is None or role_of(n) == role]
