"""When windows appear on the X display, and when they first show something.

A window "shows something" once its pixels are no longer a single flat colour: the X server
reports every drawing into a watched window (DAMAGE extension), and the window's image is then
read back and looked at. Times are time.monotonic(), taken as the events arrive.
"""

import threading
import time

from Xlib import X, display
from Xlib.ext import damage

_REPORT_BOUNDING_BOX = 2


class Appearance:
    def __init__(self, window, mapped_at):
        self.window = window
        self.mapped_at = mapped_at
        self.painted_at = None
        self.name = ""


class ScreenWatcher:
    """Watches the top-level windows of the display for as long as the process runs."""

    def __init__(self):
        self._display = display.Display()
        # Windows may go before their watch is set up or taken down; that is no error here.
        self._display.set_error_handler(lambda *_: None)
        if not self._display.has_extension("DAMAGE"):
            raise RuntimeError("o servidor X não tem a extensão DAMAGE")
        self._display.damage_query_version()
        self._root = self._display.screen().root
        self._root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self._net_wm_name = self._display.intern_atom("_NET_WM_NAME")
        self._utf8 = self._display.intern_atom("UTF8_STRING")
        self._appearances = []
        self._damages = {}
        self._changed = threading.Condition()
        # The thread blocks in the X connection; it ends with the process.
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        while True:
            event = self._display.next_event()
            now = time.monotonic()
            if event.type == X.MapNotify and event.event == self._root:
                self._mapped(event.window, now)
            elif event.type == self._display.extension_event.DamageNotify:
                self._damaged(event.drawable, now)

    def _mapped(self, window, now):
        appearance = Appearance(window, now)
        try:
            name = window.get_full_property(self._net_wm_name, self._utf8)
            appearance.name = name.value.decode("utf-8", "replace") if name else (window.get_wm_name() or "")
            self._damages[window.id] = (window.damage_create(_REPORT_BOUNDING_BOX), appearance)
        except Exception:  # the window went away already
            return
        with self._changed:
            self._appearances.append(appearance)
            self._changed.notify_all()

    def _damaged(self, window, now):
        entry = self._damages.get(window.id)
        if entry is None:
            return
        handle, appearance = entry
        self._display.damage_subtract(handle)
        if not _shows_something(window):
            return
        self._display.damage_destroy(handle)
        del self._damages[window.id]
        with self._changed:
            appearance.painted_at = now
            self._changed.notify_all()

    def first_painted(self, after, timeout, accept=lambda appearance: True):
        """The first window mapped after `after` whose content then appeared; None on timeout."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while True:
                for appearance in self._appearances:
                    if appearance.mapped_at >= after and appearance.painted_at and accept(appearance):
                        return appearance
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self._changed.wait(min(left, 0.2))


def _shows_something(window):
    try:
        geometry = window.get_geometry()
        image = window.get_image(0, 0, geometry.width, geometry.height, X.ZPixmap, 0xFFFFFFFF)
    except Exception:
        return False
    pixels = image.data
    step = 4 * 97  # a sparse sample is enough to tell a flat fill from a drawn window
    first = pixels[:4]
    return any(pixels[i:i + 4] != first for i in range(0, len(pixels) - 4, step))
