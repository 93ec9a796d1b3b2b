"""Driving a running application through its accessibility tree (AT-SPI). Controls are found
by name and role and pressed and typed into with xdotool where the tree places them, because
Qt 6.4 answers the accessibility "Press" action of Qt Quick buttons without clicking them.
"""

import contextlib
import os
import subprocess
import time

import pyatspi
from gi.repository import Atspi


class NotFound(AssertionError):
    pass


def wait_until(condition, timeout, what):
    """The first true value of `condition()`; NotFound naming `what` after `timeout` s."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = condition()
        except Exception:  # the tree changes under us while windows come and go
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise NotFound(f"não apareceu em {timeout} s: {what}")
        time.sleep(0.1)


def _showing(node, depth=0):
    try:
        if not node.getState().contains(pyatspi.STATE_SHOWING):
            return
    except Exception:
        return
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from _showing(child, depth + 1)


@contextlib.contextmanager
def running(program, environment=os.environ):
    """The program started on the X display with its accessibility tree on; stopped at the end."""
    environment = dict(environment, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    process = subprocess.Popen([str(program)], env=environment, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        yield Application(process.pid)
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(5)


class Application:
    """One running application, found on the accessibility bus by its process id."""

    def __init__(self, pid, timeout=20):
        self.pid = pid
        self.root = wait_until(self._find_root, timeout, f"a aplicação do processo {pid} no barramento de acessibilidade")
        # Read every state and name afresh: a cached "enabled" from an earlier moment would
        # send a click to a button that is not ready for it yet.
        self.root.set_cache_mask(Atspi.Cache.NONE)

    def _find_root(self):
        desktop = pyatspi.Registry.getDesktop(0)
        return next((app for app in map(desktop.getChildAtIndex, range(desktop.childCount))
                     if app is not None and app.get_process_id() == self.pid and app.childCount > 0), None)

    def _windows(self, title=None):
        return [window for window in map(self.root.getChildAtIndex, range(self.root.childCount))
                if window is not None and title in (None, window.name)
                and window.getState().contains(pyatspi.STATE_SHOWING)]

    def showing(self, name=None, role=None, window=None):
        return [node for frame in self._windows(window) for node, _ in _showing(frame)
                if name in (None, node.name) and role in (None, node.getRoleName())]

    def find(self, name, role=None, window=None, timeout=10, enabled=True):
        where = f" na janela “{window}”" if window else ""
        return wait_until(lambda: next((node for node in self.showing(name, role, window)
                                        if not enabled or node.getState().contains(pyatspi.STATE_ENABLED)), None),
                          timeout, f"“{name}”{where}")

    def wait_gone(self, name, timeout=10):
        wait_until(lambda: not self.showing(name), timeout, f"sumir “{name}”")

    def wait_label(self, text, window=None, timeout=10):
        return self.find(text, "label", window, timeout, enabled=False)

    def press(self, name, role="push button", window=None, timeout=10, opens=None):
        """Clicks the control. With `opens` (a window title), waits for that window and clicks
        once more if the first click had no effect: on a loaded machine Qt Quick now and then
        drops a click that arrives just after a call connects. The repeat is reported."""
        click(self.find(name, role, window, timeout))
        if opens is None:
            return
        try:
            wait_until(lambda: self._windows(opens), 3, opens)
        except NotFound:
            print(f"   aviso: o clique em “{name}” não abriu “{opens}”; clicando de novo", flush=True)
            click(self.find(name, role, window, timeout))
            wait_until(lambda: self._windows(opens), timeout, f"a janela “{opens}”")

    def type_into(self, name, text, window=None, timeout=10):
        field = self.find(name, "text", window, timeout)
        click(field)
        # Keys typed before the field has the focus would go elsewhere.
        wait_until(lambda: field.getState().contains(pyatspi.STATE_FOCUSED), 5, f"o foco em “{name}”")
        _xdotool("key", "--clearmodifiers", "ctrl+a", "BackSpace")
        _xdotool("type", "--delay", "8", text)
        wait_until(lambda: field.queryText().getText(0, -1) == text, 5, f"“{text}” em “{name}”")

    def tree(self):
        """The showing part of the tree, one control a line, for failure reports."""
        return "\n".join("  " * depth + f"{node.getRoleName()}: {node.name!r}"
                         for frame in self._windows() for node, depth in _showing(frame))


def _xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True, timeout=10)


def click(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if extents.width <= 0 or extents.height <= 0:
        raise NotFound(f"“{node.name}” não tem lugar na tela")
    _xdotool("mousemove", str(extents.x + extents.width // 2), str(extents.y + extents.height // 2),
             "click", "1")
