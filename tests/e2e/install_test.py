#!/usr/bin/env python3
"""Vozel installed into a staging folder as a distribution would, its desktop entry and metainfo
valid, and tel: and sip: links opened through that entry reaching the running Vozel's dialer.
Run inside tests/sandbox.sh with --build <build folder>.
"""

import argparse
import configparser
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True  # nothing is written into the source tree
from desktop import running  # noqa: E402

APP_ID = "br.com.vozel.Vozel"


def run(command, **options):
    result = subprocess.run(command, capture_output=True, text=True, timeout=60, **options)
    assert result.returncode == 0, f"{' '.join(map(str, command))} falhou:\n{result.stdout}{result.stderr}"
    return result


def check_installed(usr):
    files = {
        "programa": usr / "bin/vozel",
        "entrada": usr / f"share/applications/{APP_ID}.desktop",
        "ícone": usr / f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
        "metainfo": usr / f"share/metainfo/{APP_ID}.metainfo.xml",
    }
    for what, path in files.items():
        assert path.is_file(), f"{what} não foi instalado em {path}"

    run(["desktop-file-validate", files["entrada"]])
    run(["appstreamcli", "validate", "--no-net", files["metainfo"]])
    # The links opened below show that the entry takes tel: and sip: and hands the link over.
    entry = configparser.ConfigParser(interpolation=None)
    entry.read(files["entrada"], encoding="utf-8")
    icon = entry["Desktop Entry"]["Icon"]
    assert icon == APP_ID, f"o ícone da entrada ({icon}) não é o instalado"
    assert f'<launchable type="desktop-id">{APP_ID}.desktop</launchable>' in files["metainfo"].read_text("utf-8"), \
        "a metainfo não aponta para a entrada instalada"


def open_links(usr):
    run(["update-desktop-database", usr / "share/applications"])
    environment = dict(os.environ, PATH=f"{usr / 'bin'}:{os.environ['PATH']}", XDG_DATA_DIRS=f"{usr / 'share'}:/usr/share",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    with running(usr / "bin/vozel", environment) as app:
        app.find("Ligar", enabled=False)
        for link, number in (("tel:+55-11-3333-4444", "+551133334444"), ("sip:2002@pbx.example.com", "2002")):
            print(f"-- abrir {link}", flush=True)
            run(["gio", "open", link], env=environment)
            app.wait_label(number)


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("--build", required=True)
    build = arguments.parse_args().build
    stage = Path(tempfile.mkdtemp(prefix="vozel-install."))
    try:
        print("-- cmake --install", flush=True)
        run(["cmake", "--install", build, "--prefix", "/usr"], env=dict(os.environ, DESTDIR=str(stage)))
        print("-- validar a entrada e a metainfo", flush=True)
        check_installed(stage / "usr")
        open_links(stage / "usr")
    finally:
        shutil.rmtree(stage, ignore_errors=True)


if __name__ == "__main__":
    main()
