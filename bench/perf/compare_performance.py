#!/usr/bin/env python3
"""Vozel beside Debian's linphone-desktop (a softphone on the same SIP library, liblinphone) and
linphonec (that library's command-line client, the floor), one after the other in one session:

- start: from launching the program to its first window showing something (linphonec has no
  window: to its first command prompt), median of three starts after a first unmeasured one
  (the files it reads are in the page cache, as on a desktop where it has been used before);
- resident memory right after that first frame, and after 60 s registered and idle;
- CPU time used over those 60 s, and wake-ups per second over them (voluntary context switches
  of all the program's threads, from /proc);
- ring: from the moment the caller's phone sends the INVITE to the program's incoming-call notice
  on screen (Vozel: its ring panel "Chamada recebida"; linphone-desktop: its incoming-call
  notification window; linphonec: the "Receiving new incoming call" line), median of five calls.

All three register extension 2001 on the demo PBX with ICE and the same STUN server; 2002 calls.
Run inside tests/sandbox.sh (display, keyring, PulseAudio, D-Bus) by scripts/compare-performance:
    compare_performance.py --build <demo build>
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing is written into the source tree
SOURCE = Path(__file__).resolve().parents[2]
sys.path[:0] = [str(SOURCE / "demo"), str(SOURCE / "tests/e2e")]

from demo_pbx import DemoPbx, build_setting  # noqa: E402
from screen import ScreenWatcher  # noqa: E402

IDLE_SECONDS = 60
SETTLE_SECONDS = 5
STARTS = 3
CALLS = 5
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def rss_mib(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    raise RuntimeError(f"sem VmRSS para {pid}")


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def voluntary_switches(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("voluntary_ctxt_switches:"):
            return int(line.split()[1])
    raise RuntimeError(f"sem voluntary_ctxt_switches para {pid}")


def voluntary_switches_all_threads(pid):
    """Every thread's voluntary context switches: each one is a wake-up of the process."""
    total = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            total += voluntary_switches(f"{pid}/task/{task.name}")
        except (FileNotFoundError, ProcessLookupError):
            pass  # a thread that ended meanwhile
    return total


def package_version(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True, text=True)
    return result.stdout.strip() or "?"


def plain_environment():
    environment = dict(os.environ, QT_QPA_PLATFORM="xcb")
    environment.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    return environment


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(5)


class Output:
    """A child's output with the time each piece arrived; waits for text, prompts included."""

    def __init__(self, process):
        self._pieces = []
        self._new = threading.Condition()
        threading.Thread(target=self._read, args=(process.stdout,), daemon=True).start()

    def _read(self, stream):
        while True:
            chunk = os.read(stream.fileno(), 4096)
            if not chunk:
                return
            with self._new:
                self._pieces.append((time.monotonic(), chunk.decode("utf-8", "replace")))
                self._new.notify_all()

    def mark(self):
        with self._new:
            return len(self._pieces)

    def arrival(self, text, timeout, since=0):
        """When `text` had arrived in full, counting from piece `since`; None on timeout."""
        deadline = time.monotonic() + timeout
        with self._new:
            while True:
                joined = ""
                for arrived, piece in self._pieces[since:]:
                    joined += piece
                    if text in joined:
                        return arrived
                left = deadline - time.monotonic()
                if left <= 0:
                    return None
                self._new.wait(min(left, 0.2))


def linphonerc(path, pbx):
    password = pbx.password("2001")
    path.write_text(f"""[sip]
sip_port=-1
sip_tcp_port=-1
sip_tls_port=-1
default_proxy=0
[rtp]
audio_rtp_port=-1
video_rtp_port=-1
[video]
capture=0
display=0
automatically_initiate=0
automatically_accept=0
[net]
nat_policy_ref=demo
[nat_policy_0]
ref=demo
stun_server=127.0.0.1:{pbx.sip_port}
protocols=stun,ice
[proxy_0]
reg_proxy=<sip:127.0.0.1:{pbx.sip_port};transport=udp>
reg_identity="Ramal 2001" <sip:2001@127.0.0.1>
reg_expires=600
reg_sendregister=1
publish=0
nat_policy_ref=demo
[auth_info_0]
username=2001
userid=2001
passwd={password}
domain=127.0.0.1
""", encoding="utf-8")


class Vozel:
    title = "Vozel"

    def __init__(self, build, work):
        self.binary = Path(build) / "src/app/vozel"
        self.work = work
        self.version = build_setting(build, "CMAKE_PROJECT_VERSION")

    def prepare(self, pbx):
        """Sets 2001 up from the provisioning link, as a user would; also the warm run."""
        from desktop import Application
        from application_test import provision

        environment = dict(plain_environment(), QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        process = subprocess.Popen([self.binary], env=environment, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            provision(Application(process.pid), pbx)
        finally:
            stop(process)
        # The driving above turned the desktop's accessibility on; the measured runs go without.
        subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                        "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                        "org.a11y.Status", "IsEnabled", "<false>"], capture_output=True, timeout=10)

    def start(self):
        return subprocess.Popen([self.binary], env=plain_environment(), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def first_frame(self, watcher, process, started):
        shown = watcher.first_painted(started, 60, lambda window: window.name == "Vozel")
        return shown and shown.painted_at

    def ring_notice(self, watcher, process, invited):
        shown = watcher.first_painted(invited, 10, lambda window: window.name == "Chamada recebida")
        return shown and shown.painted_at


class LinphoneDesktop:
    title = "linphone-desktop"

    def __init__(self, work):
        self.work = work
        self.config = work / "linphone-desktop.rc"
        self.version = package_version("linphone-desktop")

    def prepare(self, pbx):
        linphonerc(self.config, pbx)
        Path.home().joinpath(".local/share/linphone").mkdir(parents=True, exist_ok=True)
        warm = self.start()
        time.sleep(8)
        stop(warm)

    def start(self):
        return subprocess.Popen(["linphone", "--config", str(self.config)], env=plain_environment(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def first_frame(self, watcher, process, started):
        shown = watcher.first_painted(started, 60)
        return shown and shown.painted_at

    def ring_notice(self, watcher, process, invited):
        shown = watcher.first_painted(invited, 10)
        return shown and shown.painted_at


class Linphonec:
    title = "linphonec"

    def __init__(self, work):
        self.work = work
        self.config = work / "linphonec.rc"
        self.version = package_version("linphone-cli")
        self.output = None

    def prepare(self, pbx):
        linphonerc(self.config, pbx)
        Path.home().joinpath(".local/share/linphone").mkdir(parents=True, exist_ok=True)
        warm = self.start()
        self.output.arrival("linphonec> ", 30)
        time.sleep(2)
        stop(warm)

    def start(self):
        process = subprocess.Popen(["linphonec", "-c", str(self.config)], env=plain_environment(),
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.output = Output(process)
        return process

    def first_frame(self, watcher, process, started):
        return self.output.arrival("linphonec> ", 60)

    def ring_notice(self, watcher, process, invited):
        return self.output.arrival("Receiving new incoming call", 10, self._mark)

    def before_call(self):
        self._mark = self.output.mark()


def start_time(program, watcher):
    """Milliseconds from launch to the first frame; None when nothing showed."""
    started = time.monotonic()
    process = program.start()
    try:
        shown = program.first_frame(watcher, process, started)
        return process, shown and (shown - started) * 1000, shown
    except BaseException:
        stop(process)
        raise


def measure(program, pbx, watcher):
    print(f"-- {program.title}: preparação", flush=True)
    program.prepare(pbx)
    print(f"-- {program.title}: medição", flush=True)
    result = {}
    starts = []
    for _ in range(STARTS - 1):
        time.sleep(2)
        process, elapsed, _ = start_time(program, watcher)
        stop(process)
        if elapsed is None:
            result["erro"] = "não mostrou nada em 60 s"
            return result
        starts.append(elapsed)

    time.sleep(2)
    process, elapsed, shown = start_time(program, watcher)
    try:
        if elapsed is None:
            result["erro"] = "não mostrou nada em 60 s"
            return result
        result["rss_start"] = rss_mib(process.pid)
        result["start_ms"] = starts + [elapsed]

        time.sleep(max(0.0, shown + SETTLE_SECONDS - time.monotonic()))
        cpu_before, window_start = cpu_seconds(process.pid), time.monotonic()
        switches_before = voluntary_switches_all_threads(process.pid)
        time.sleep(IDLE_SECONDS)
        result["cpu_s"] = cpu_seconds(process.pid) - cpu_before
        result["cpu_window"] = time.monotonic() - window_start
        result["wakeups"] = (voluntary_switches_all_threads(process.pid) - switches_before) / result["cpu_window"]
        result["rss_60"] = rss_mib(process.pid)

        caller = pbx.peers["2002"]
        latencies = []
        for _ in range(CALLS):
            if hasattr(program, "before_call"):
                program.before_call()
            mark = caller.mark()
            caller.send("ligar 2001")
            invited = float(caller.wait_for(r"chamando 2001 \(t=([0-9.]+)\)", 10, mark).group(1))
            noticed = program.ring_notice(watcher, process, invited)
            caller.send("desligar")
            caller.wait_for(r"encerrada|falhou", 10, mark)
            if noticed is None:
                result["erro"] = "não avisou a chamada (registrado?)"
                break
            latencies.append((noticed - invited) * 1000)
            time.sleep(2)
        result["ring_ms"] = latencies
        return result
    finally:
        stop(process)


def table(programs, results):
    def cell(result, key, form):
        if key not in result or (key in ("ring_ms", "start_ms") and not result[key]):
            return result.get("erro", "—")
        return form(result[key])

    def spread(values):
        return f"{statistics.median(values):.0f} ({min(values):.0f}–{max(values):.0f})"

    def cpu(result):
        if "cpu_s" not in result:
            return result.get("erro", "—")
        return f"{result['cpu_s']:.2f} s ({100 * result['cpu_s'] / result['cpu_window']:.2f} % de um núcleo)"

    rows = [
        (f"Início até o primeiro quadro (ms, mediana de {STARTS}, mín–máx)", lambda r: cell(r, "start_ms", spread)),
        ("Memória residente após o início (MiB)", lambda r: cell(r, "rss_start", lambda v: f"{v:.1f}")),
        (f"Memória residente após {IDLE_SECONDS} s registrado (MiB)", lambda r: cell(r, "rss_60", lambda v: f"{v:.1f}")),
        (f"CPU em {IDLE_SECONDS} s ocioso e registrado", cpu),
        (f"Despertares por segundo em {IDLE_SECONDS} s ocioso (trocas de contexto voluntárias, todas as threads)",
         lambda r: cell(r, "wakeups", lambda v: f"{v:.0f}")),
        (f"INVITE até o aviso na tela (ms, mediana de {CALLS}, mín–máx)", lambda r: cell(r, "ring_ms", spread)),
    ]
    header = "| | " + " | ".join(f"{p.title} {p.version}" for p in programs) + " |"
    lines = [header, "|---" * (len(programs) + 1) + "|"]
    for title, value in rows:
        lines.append(f"| {title} | " + " | ".join(value(results[p.title]) for p in programs) + " |")
    return "\n".join(lines)


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("--build", required=True)
    build = Path(arguments.parse_args().build).resolve()
    pbx = DemoPbx(build, peer_options=["--timestamps"])
    try:
        pbx.start(peers=("2002",))
        work = pbx.work
        watcher = ScreenWatcher()
        programs = [Vozel(build, work), LinphoneDesktop(work), Linphonec(work)]
        results = {}
        for program in programs:
            results[program.title] = measure(program, pbx, watcher)
        print()
        print(table(programs, results))
        return 0
    finally:
        pbx.stop()


if __name__ == "__main__":
    sys.exit(main())
