"""The product service stand-in (testenv/orx) running in a Wine prefix, as the
product's service runs on a machine where the product is installed.

    start_service(prefix, "C:\\Program Files\\ZEP 8")   # returns once it runs
    ... runs of the patcher find it at their first look ...
    stop_service(prefix)

A scenario about a service that is down simply does not start it.
"""
import os
import subprocess
import threading
import time

import wine


def orx_path(build_dir=None):
    return os.path.join(build_dir or os.environ["ZEP_BUILD_DIR"], "testenv", "orx", "orx.exe")


def _starts(prefix, folder):
    journal = (prefix.read_file(folder + "\\tessel.log") or b"").decode(errors="replace")
    return sum(1 for line in journal.splitlines() if line.startswith("orx[") and " start " in line)


def start_service(prefix, product_folder, lifetime_s=900, build_dir=None, timeout_s=30):
    """Places orx.exe in the product folder when it is not there yet, starts
    it in the background and waits until it has recorded its start (it is then
    in the process list). The stand-in ends by itself after lifetime_s."""
    folder = product_folder.rstrip("\\")
    if prefix.read_file(folder + "\\orx.exe") is None:
        prefix.copy_in(orx_path(build_dir), folder)
    control = folder + "\\tessel.ini"
    text = (prefix.read_file(control) or b"").decode("latin-1")
    if "[orx]" not in text:
        text += "\r\n[orx]\r\nlifetime_ms=%d\r\n" % (lifetime_s * 1000)
        prefix.write_file(control, text)
    before = _starts(prefix, folder)
    program = prefix.host_path(folder + "\\orx.exe")
    # The loader of the program's own bitness, so that this process is the
    # service's process for as long as it runs.
    loader = wine.WINE64 if wine.is_pe32_plus(program) else wine.WINE32
    proc = subprocess.Popen([loader, program], env=prefix.env(),
                            cwd=prefix.host_path(folder), stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Its journal line is the sign that it runs. The journal follows the
    # product's registry value and may be written elsewhere: then a process
    # still alive after a few seconds counts as started.
    started = time.monotonic()
    try:
        while _starts(prefix, folder) <= before:
            if proc.poll() is not None or time.monotonic() > started + timeout_s:
                stop_service(prefix)
                raise RuntimeError("the service stand-in did not start (exit %s)" % proc.poll())
            if time.monotonic() > started + 3:
                break
            time.sleep(0.1)
    finally:
        # Reaped when it ends, whoever ends it (the patcher's stop request,
        # stop_service, its lifetime or the prefix's end).
        threading.Thread(target=proc.wait, daemon=True).start()
    return proc


def stop_service(prefix):
    prefix._exec([wine.WINE64, "taskkill", "/F", "/IM", "orx.exe"])
