#!/usr/bin/env python3
"""Vozel, built for the demo PBX, used end to end: set up from a provisioning link, a call with
DTMF and mute, the history, an incoming call answered from the ring panel with its origin label,
and an attended transfer from 2002 to 2003. Run inside tests/sandbox.sh with --build <demo build>.
"""

import argparse
import re
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing is written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "demo"))

from demo_pbx import DemoPbx  # noqa: E402
from desktop import running  # noqa: E402

SIP_WAIT = 15  # seconds for anything that crosses the PBX


def step(title):
    print(f"-- {title}", flush=True)


def dial(app, number):
    for digit in number:
        app.press(digit)
    app.wait_label(number)
    app.press("Ligar")


def provision(app, pbx):
    step("configurar o ramal 2001 pelo link de provisionamento")
    app.wait_label("Configure seu ramal")
    app.press("Configurações")
    app.type_into("Nome da conta (ex.: Zarko, Loja Sul)", "Demo")
    app.type_into("Cole o endereço do QR Code", pbx.link)
    app.press("Configurar ramal")
    app.wait_label("Conectado", timeout=SIP_WAIT)
    app.press("Concluir")
    app.wait_gone("Concluir")


def call_with_tones_and_mute(app, pbx):
    step("ligar para 2002 pelo teclado")
    peer = pbx.peers["2002"]
    mark = peer.mark()
    dial(app, "2002")
    peer.wait_for(r"em ligação com 2001", SIP_WAIT, mark)
    app.find("Silenciar microfone", timeout=SIP_WAIT)

    step("enviar 123# durante a ligação")
    for digit in "123#":
        app.press(digit)
        peer.wait_for(r"DTMF recebido de 2001: " + re.escape(digit) + "$", SIP_WAIT, mark)
    received = [line.rsplit(": ", 1)[1] for line in peer.lines[mark:] if "DTMF recebido" in line]
    assert received == list("123#"), f"2002 recebeu {received}"

    step("silenciar e reativar o microfone")
    app.press("Silenciar microfone")
    app.find("Ativar microfone")
    app.press("Ativar microfone")
    app.find("Silenciar microfone")

    step("desligar e ver a ligação no histórico")
    app.press("Desligar")
    peer.wait_for(r"ligação com 2001 encerrada", SIP_WAIT, mark)
    app.find("Ligar", enabled=False)
    app.press("Histórico", opens="Histórico")
    app.find("2002", role="list item", window="Histórico")
    app.press("Fechar", window="Histórico")
    app.wait_gone("Fechar")


def incoming_call(app, pbx):
    step("receber uma ligação de 2002 e atender pelo painel")
    peer = pbx.peers["2002"]
    origin = pbx.origin["label"]
    mark = peer.mark()
    peer.send("ligar 2001")
    panel = "Chamada recebida"
    app.wait_label("2002", window=panel, timeout=SIP_WAIT)
    caller_name = next(e["name"] for e in pbx.plan["extensions"] if e["number"] == "2002")
    app.wait_label(caller_name, window=panel)
    app.wait_label(origin, window=panel, timeout=SIP_WAIT)
    app.press("Atender", window=panel)
    peer.wait_for(r"em ligação com 2001", SIP_WAIT, mark)
    app.wait_gone("Atender")
    app.press("Desligar", timeout=SIP_WAIT)
    peer.wait_for(r"ligação com 2001 encerrada", SIP_WAIT, mark)
    app.find("Ligar", enabled=False)


def attended_transfer(app, pbx):
    step("transferir 2002 para 2003 com consulta")
    held, target = pbx.peers["2002"], pbx.peers["2003"]
    held_mark, target_mark = held.mark(), target.mark()
    dial(app, "2002")
    held.wait_for(r"em ligação com 2001", SIP_WAIT, held_mark)
    app.press("Transferir", timeout=SIP_WAIT, opens="Transferir chamada")
    app.type_into("Ramal ou número", "2003", window="Transferir chamada")
    app.press("Ligar", window="Transferir chamada")
    held.wait_for(r"posto em espera por 2001", SIP_WAIT, held_mark)
    target.wait_for(r"em ligação com 2001", SIP_WAIT, target_mark)
    app.press("Concluir transferência", timeout=SIP_WAIT)
    held.wait_for(r"transferido por 2001", SIP_WAIT, held_mark)
    held.wait_for(r"em ligação com 2003", SIP_WAIT, held_mark)
    target.wait_for(r"em ligação com 2002", SIP_WAIT, target_mark)
    app.find("Ligar", enabled=False, timeout=SIP_WAIT)
    for peer in (held, target):
        peer.send("desligar")


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("--build", required=True)
    build = Path(arguments.parse_args().build).resolve()

    pbx = DemoPbx(build, peer_options=["--answer-after-ms", "300"])
    try:
        step("subir o PABX de demonstração")
        pbx.start()
        step("abrir o Vozel")
        with running(build / "src/app/vozel") as app:
            try:
                provision(app, pbx)
                call_with_tones_and_mute(app, pbx)
                incoming_call(app, pbx)
                attended_transfer(app, pbx)
            except Exception:
                print("Controles visíveis:\n" + app.tree(), file=sys.stderr)
                raise
    except Exception:
        for process in pbx.processes:
            if process.name != "kamailio":
                print(f"Saída de {process.name}:\n  " + "\n  ".join(process.lines[-30:]), file=sys.stderr)
        raise
    finally:
        pbx.stop()


if __name__ == "__main__":
    main()
