#!/usr/bin/env python3
"""The demo PBX on this computer: a Kamailio registrar with extensions 2001 to 2003, the
operator's HTTPS server (provisioning links and caller origins) and the phones of 2002 and 2003.

Run by scripts/demo-pbx for people trying Vozel; imported by the end-to-end and performance
tests, which start the same PBX. Every process is started in a session of its own, dies with
this one, and is stopped by its pid.
"""

import argparse
import ctypes
import json
import os
import queue
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[1]
PLAN = SOURCE / "demo/demo-pbx.json"
PBX_SCRIPT = SOURCE / "tests/engine/pbx/run-pbx.sh"

_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # A child left behind would hold the demo's ports; the kernel stops it when we go.
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class Failure(Exception):
    """Something the demo needs did not happen in time; the message says what."""


class Process:
    """A child process whose output lines are kept and can be waited for."""

    def __init__(self, name, command, log_path, stdin=False, echo=None):
        self.name = name
        self.lines = []
        self._new = threading.Condition()
        self._echo = echo
        self._log = open(log_path, "w", encoding="utf-8")
        self.popen = subprocess.Popen(
            command, stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, bufsize=1,
            start_new_session=True, preexec_fn=_die_with_parent)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    @property
    def pid(self):
        return self.popen.pid

    def _read(self):
        for line in self.popen.stdout:
            line = line.rstrip("\n")
            self._log.write(line + "\n")
            self._log.flush()
            with self._new:
                self.lines.append(line)
                self._new.notify_all()
            if self._echo:
                self._echo(self, line)

    def mark(self):
        """Where the output stands now, for wait_for(since=...)."""
        with self._new:
            return len(self.lines)

    def wait_for(self, pattern, timeout, since=0):
        """The first line from `since` on that matches `pattern`; Failure after `timeout` s."""
        expression = re.compile(pattern)
        deadline = time.monotonic() + timeout
        with self._new:
            seen = since
            while True:
                for line in self.lines[seen:]:
                    match = expression.search(line)
                    if match:
                        return match
                seen = len(self.lines)
                left = deadline - time.monotonic()
                if left <= 0 or self.popen.poll() is not None and not self._reader.is_alive():
                    raise Failure(f"{self.name}: nada como /{pattern}/ em {timeout} s; "
                                  f"últimas linhas: {self.lines[-8:]}")
                self._new.wait(min(left, 0.2))

    def send(self, line):
        self.popen.stdin.write(line + "\n")
        self.popen.stdin.flush()

    def stop(self, grace=5):
        if self.popen.poll() is None:
            self.popen.terminate()
            try:
                self.popen.wait(grace)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait(grace)
        self._reader.join(grace)
        self._log.close()


def build_setting(build, name):
    """A value the demo build was made with (build-demo.sh), e.g. VOZEL_STUN_SERVER."""
    settings = Path(build) / "demo-build.txt"
    if settings.exists():
        for line in settings.read_text(encoding="utf-8").splitlines():
            if line.startswith(name + "="):
                return line.split("=", 1)[1]
    raise Failure(f"{build} não é uma compilação para a demonstração: falta {name}")


def ports_of_build(build):
    """The SIP and HTTPS ports a demo build was made for."""
    sip = build_setting(build, "VOZEL_STUN_SERVER").rsplit(":", 1)[-1]
    https = re.search(r":(\d+)/", build_setting(build, "VOZEL_CALL_ORIGIN_ENDPOINT"))
    if not sip.isdigit() or not https:
        raise Failure(f"{build} não é uma compilação para a demonstração")
    return int(sip), int(https.group(1))


def _answers_stun(port):
    request = bytes([0, 1, 0, 0, 0x21, 0x12, 0xA4, 0x42]) + os.urandom(12)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.settimeout(0.2)
        try:
            probe.sendto(request, ("127.0.0.1", port))
            reply = probe.recv(512)
        except OSError:
            return False
    return reply[:2] == b"\x01\x01"


def _port_taken(port):
    for kind in (socket.SOCK_STREAM, socket.SOCK_DGRAM):
        with socket.socket(socket.AF_INET, kind) as s:
            if kind == socket.SOCK_STREAM:
                # Servers reuse an address whose last connections are still winding down.
                s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            try:
                s.bind(("127.0.0.1", port))
            except OSError:
                return True
    return False


class DemoPbx:
    """The demo PBX of one demo build; start() brings it up, stop() takes it down."""

    def __init__(self, build, work=None, echo=None, peer_options=()):
        self.build = Path(build).resolve()
        self.sip_port, self.https_port = ports_of_build(self.build)
        self.plan = json.loads(PLAN.read_text(encoding="utf-8"))
        self._owned_work = work is None
        self.work = Path(work or tempfile.mkdtemp(prefix="vozel-demo-pbx."))
        self._echo = echo
        self._peer_options = list(peer_options)
        self.processes = []
        self.peers = {}

    def password(self, number):
        return next(e["password"] for e in self.plan["extensions"] if e["number"] == number)

    @property
    def link(self):
        return f"https://127.0.0.1:{self.https_port}/api/pabx-vozel?token={self.plan['provisioning']['token']}"

    @property
    def legacy_link(self):
        token = self.plan["provisioning"]["legacyToken"]
        return f"https://127.0.0.1:{self.https_port}/api/pabx-linphone?token={token}"

    @property
    def origin(self):
        return self.plan["origins"][0]

    def _start(self, name, command, stdin=False):
        process = Process(name, command, self.work / f"{name}.log", stdin=stdin, echo=self._echo)
        self.processes.append(process)
        return process

    def start(self, peers=("2002", "2003"), timeout=15):
        for port in (self.sip_port, self.https_port):
            if _port_taken(port):
                raise Failure(f"a porta {port} de 127.0.0.1 já está em uso (outra demonstração aberta?)")
        extensions = [f"{e['number']}:{e['password']}" for e in self.plan["extensions"]]
        pbx = self._start("kamailio", [str(PBX_SCRIPT), str(self.work / "pbx"), str(self.sip_port), *extensions])
        deadline = time.monotonic() + timeout
        while not _answers_stun(self.sip_port):
            if pbx.popen.poll() is not None or time.monotonic() > deadline:
                raise Failure("o Kamailio não subiu; veja " + str(self.work / "kamailio.log"))
            time.sleep(0.1)

        demo = self.build / "demo"
        server = self._start("servidor", [
            str(demo / "vozel-demo-server"), "--plan", str(PLAN), "--port", str(self.https_port),
            "--sip-port", str(self.sip_port), "--certificate", str(demo / "certificates/server-chain.pem"),
            "--key", str(demo / "certificates/server.key")])
        server.wait_for(r"ouvindo em", timeout)

        for number in peers:
            peer = self._start(number, [
                str(demo / "vozel-demo-peer"), "--plan", str(PLAN), "--extension", number,
                "--registrar", f"127.0.0.1:{self.sip_port}", *self._peer_options], stdin=True)
            self.peers[number] = peer
        for peer in self.peers.values():
            peer.wait_for(r"registrado no PABX", timeout)
        return self

    def stop(self):
        for process in reversed(self.processes):
            process.stop()
        self.processes.clear()
        if self._owned_work:
            subprocess.run(["rm", "-rf", str(self.work)], check=False)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()


def _interactive(build):
    def echo(process, line):
        if process.name != "kamailio":
            print(line, flush=True)

    pbx = DemoPbx(build, echo=echo)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    try:
        pbx.start()
        origin = pbx.origin
        print(f"""
PABX de demonstração no ar (SIP em 127.0.0.1:{pbx.sip_port}, UDP e TCP).

1. Feche qualquer Vozel aberto e abra o desta demonstração:
     {pbx.build / 'src/app/vozel'}
2. Em Configurações, aba "QR Code", cole o link do ramal 2001:
     {pbx.link}
   (o link antigo, respondido em XML, também serve: {pbx.legacy_link})
3. Ligue para 2002 (atende e mostra aqui os tons DTMF que você enviar) ou 2003.
   A origem de {origin['caller']} aparece como "{origin['label']}".
   Para transferir, ligue para 2002 e transfira para 2003.

Tecle Enter para o ramal 2002 ligar para o 2001. Ctrl+C encerra tudo.
""", flush=True)
        for _ in sys.stdin:
            pbx.peers["2002"].send("ligar 2001")
        signal.pause()
    except KeyboardInterrupt:
        pass
    except Failure as failure:
        print(f"Não foi possível iniciar a demonstração: {failure}", file=sys.stderr)
        return 1
    finally:
        print("\nEncerrando o PABX de demonstração…", flush=True)
        pbx.stop()
    return 0


if __name__ == "__main__":
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("--build", required=True, help="compilação feita por demo/build-demo.sh")
    sys.exit(_interactive(arguments.parse_args().build))
