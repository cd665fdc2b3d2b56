"""A road's frame: the program under test, its windows, the named steps, and the evidence kept
when a step fails (a screenshot, the tree dump, the program's output)."""

import contextlib
import os
import subprocess
import sys
import time
import traceback

from tree import (WAIT, Atspi, Failure, GLib, children, describe, dump, is_showing, matches,
                  role_of, wait_until)

HERE = os.path.dirname(os.path.abspath(__file__))
WORK = os.environ.get("E2E_WORK", os.getcwd())
PROGRAM = os.environ.get("PIXOVIA", "pixovia")

_running = []


def leak_options(options):
    """The sanitizer's leak options with this folder's suppressions added to those given."""
    combined = os.path.join(WORK, "lsan.supp")
    parts = [p for p in options.split(":") if p and not p.startswith("suppressions=")]
    given = [p.split("=", 1)[1] for p in options.split(":") if p.startswith("suppressions=")]
    with open(combined, "w") as out:
        for path in given + [os.path.join(HERE, "lsan.supp")]:
            if os.path.exists(path):
                with open(path) as f:
                    out.write(f.read() + "\n")
    return ":".join(parts + [f"suppressions={combined}"])


_current = {"road": "?", "step": "start"}


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


class Program:
    """One run of pixovia with its own output files and its place in the accessibility tree."""

    def __init__(self, *args, name="pixovia", cwd=None):
        self.name = name
        self.stdout_path = os.path.join(WORK, f"{name}.out")
        self.stderr_path = os.path.join(WORK, f"{name}.err")
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        env["LSAN_OPTIONS"] = leak_options(env.get("LSAN_OPTIONS", ""))
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
