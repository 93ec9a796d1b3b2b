"""Driving a running application as a person would, through its accessibility tree (AT-SPI).

Controls are found by their accessible name and role; they are pressed and typed into with the
X pointer and keyboard (xdotool) at the place the accessibility tree gives for them, because
Qt 6.4 answers the accessibility "Press" action of Qt Quick buttons without clicking them.
Every wait has a time limit.
"""

import subprocess
import time

import pyatspi
from gi.repository import Atspi

SHOWING = pyatspi.STATE_SHOWING
ENABLED = pyatspi.STATE_ENABLED


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


def _walk(node):
    try:
        if not node.getState().contains(SHOWING):
            return
    except Exception:
        return
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from _walk(child)


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
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.pid and app.childCount > 0:
                return app
        return None

    def showing(self, name=None, role=None, window=None):
        """Every showing control with that name (and role), optionally inside a window of that title."""
        found = []
        for frame in _walk_children(self.root):
            if window is not None and frame.name != window:
                continue
            for node in _walk(frame):
                if (name is None or node.name == name) and (role is None or node.getRoleName() == role):
                    found.append(node)
        return found

    def find(self, name, role=None, window=None, timeout=10, enabled=True):
        def one():
            for node in self.showing(name, role, window):
                if not enabled or node.getState().contains(ENABLED):
                    return node
            return None
        where = f" na janela “{window}”" if window else ""
        return wait_until(one, timeout, f"“{name}”{where}")

    def has(self, name, role=None, window=None):
        try:
            return bool(self.showing(name, role, window))
        except Exception:
            return False

    def wait_gone(self, name, role=None, window=None, timeout=10):
        wait_until(lambda: not self.has(name, role, window), timeout, f"sumir “{name}”")

    def wait_label(self, text, window=None, timeout=10):
        """A showing text with exactly this content."""
        return self.find(text, "label", window, timeout, enabled=False)

    def press(self, name, role="push button", window=None, timeout=10, opens=None):
        """Clicks the control. With `opens` (a window title), waits for that window and clicks
        once more if the first click had no effect: on a loaded machine Qt Quick now and then
        drops a click that arrives just after a call connects. The repeat is reported."""
        click(self.find(name, role, window, timeout))
        if opens is None:
            return
        try:
            wait_until(lambda: self._frame_showing(opens), 3, opens)
        except NotFound:
            print(f"   aviso: o clique em “{name}” não abriu “{opens}”; clicando de novo", flush=True)
            click(self.find(name, role, window, timeout))
            wait_until(lambda: self._frame_showing(opens), timeout, f"a janela “{opens}”")

    def _frame_showing(self, title):
        return any(frame.name == title for frame in _walk_children(self.root))

    def type_into(self, name, text, window=None, timeout=10):
        field = self.find(name, "text", window, timeout)
        click(field)
        # Keys typed before the field has the focus would go elsewhere.
        wait_until(lambda: field.getState().contains(pyatspi.STATE_FOCUSED), 5, f"o foco em “{name}”")
        _xdotool("key", "--clearmodifiers", "ctrl+a", "BackSpace")
        _xdotool("type", "--delay", "8", text)
        try:
            wait_until(lambda: field.queryText().getText(0, -1) == text, 5, "")
        except NotFound:
            raise NotFound(f"“{name}” ficou com “{field.queryText().getText(0, -1)}” em vez de “{text}”") from None

    def tree(self):
        """The showing part of the tree, one control a line, for failure reports."""
        lines = []
        for frame in _walk_children(self.root):
            for node in _walk(frame):
                depth = 0
                parent = node.parent
                while parent is not None and parent != self.root:
                    depth += 1
                    parent = parent.parent
                lines.append("  " * depth + f"{node.getRoleName()}: {node.name!r}")
        return "\n".join(lines)


def _walk_children(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None and child.getState().contains(SHOWING):
            yield child


def _xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True, timeout=10)


def click(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if extents.width <= 0 or extents.height <= 0:
        raise NotFound(f"“{node.name}” não tem lugar na tela")
    _xdotool("mousemove", str(extents.x + extents.width // 2), str(extents.y + extents.height // 2),
             "click", "1")
