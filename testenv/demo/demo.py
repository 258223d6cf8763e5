"""Runs the patcher's main job on a sandboxed Wine machine with the stand-in
ZEP 8 product and shows what it did: install at once, then schedule for
shutdown, simulate the shutdown and show the end state."""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "harness"))
import wine  # noqa: E402
from msiexec_standin import MsiexecStandIn  # noqa: E402
from shutdown_sim import simulate_shutdown  # noqa: E402
from standin_msi import enable_standin_msi  # noqa: E402

HF41 = os.environ["ZEP_HF41"]
BUILD = os.environ["ZEP_BUILD_DIR"]
PRODUCT = "C:\\Program Files\\ZEP 8\\"
PATCHES = PRODUCT + "Patches"
TRACE = "C:\\ZEP8 Trace\\ZEPPatch.log"
DOWNLOAD = "C:\\Download"
STATE = (wine.HKLM + r"\SOFTWARE\Microsoft\Windows\CurrentVersion\Group Policy\State\Machine\Scripts\Shutdown")
SCRIPTS_INI = "C:\\windows\\system32\\GroupPolicy\\Machine\\Scripts\\scripts.ini"
EVENTS = {"WINEDEBUG": "fixme+advapi,trace+eventlog"}
EVENT_CALL = re.compile(r"fixme:advapi:ReportEventW \(\w+,0x(\w{4}),")
EVENT_TEXT = re.compile(r"\w+:eventlog:ReportEventW L\"(.*)\"")
EVENT_TYPES = {"0001": "error", "0002": "warning", "0004": "information"}


def show(title, text):
    print("\n--- %s " % title + "-" * max(0, 60 - len(title)))
    print(text.rstrip() if text else "(nothing)")


def text_of(data, encoding="latin-1"):
    # scripts.ini is written by the profile functions, in UTF-16 only with a BOM.
    if encoding == "utf-16" and not data.startswith(b"\xff\xfe"):
        encoding = "latin-1"
    return data.decode(encoding, errors="replace").replace("\r\n", "\n") if data else ""


class Machine:
    def __init__(self, prefix):
        self.prefix = prefix
        self.trace_offset = 0

    def trace_since_last(self):
        data = self.prefix.read_file(TRACE) or b""
        text = text_of(data[self.trace_offset:])
        self.trace_offset = len(data)
        return text

    def file(self, win_path, encoding="latin-1"):
        data = self.prefix.read_file(win_path)
        return text_of(data, encoding) if data is not None else "(no file %s)" % win_path

    def registrations(self):
        lines = []
        for number in range(8):
            key = STATE + "\\0\\%d" % number
            if not self.prefix.reg_key_exists(key):
                break
            script = self.prefix.reg_query(key, "Script")
            parameters = self.prefix.reg_query(key, "Parameters")
            lines.append('%d: Script=%s Parameters="%s"' % (number, script and script[1], parameters and parameters[1]))
        return "\n".join(lines) or "(no shutdown script registered)"


def events_of(stderr):
    calls = EVENT_CALL.findall(stderr)
    texts = EVENT_TEXT.findall(stderr)
    return "\n".join("%s: %s" % (EVENT_TYPES.get(kind, kind), text) for kind, text in zip(calls, texts))


def run(machine, args, title):
    result = machine.prefix.run(DOWNLOAD + "\\hf41.exe", args, env=EVENTS)
    print("\n================ %s: hf41.exe %s" % (title, args))
    show("exit code", str(result.code))
    show("console", text_of(result.stdout))
    show("trace (ZEPPatch.log, this run)", machine.trace_since_last())
    show("events written", events_of(result.stderr))
    show("Patches.ini", machine.file(PATCHES + "\\Patches.ini"))
    return result


def prepare(prefix):
    os.makedirs(prefix.host_path("C:\\ZEP8 Trace"), exist_ok=True)
    prefix.reg_import('[%s]\r\n"ProductRoot"="%s"\r\n"TraceRoot"="%s"\r\n'
                      % (wine.PRODUCT_ENV_KEY, PRODUCT.replace("\\", "\\\\"), "C:\\\\ZEP8 Trace\\\\"))
    product_msi = os.path.join(BUILD, "testenv", "msi", "zep8.msi")
    installed = prefix._exec([wine.WINE64, "msiexec", "/i", "Z:" + product_msi.replace("/", "\\"), "/qn"])
    print("Stand-in ZEP 8 product installed in Wine's installer: exit code %d" % installed.returncode)
    for part in (("tsremote", "tsremote.dll"), ("tsstub", "tsstub.tsm"), ("orx", "orx.exe")):
        prefix.copy_in(os.path.join(BUILD, "testenv", *part), PRODUCT)
    prefix.copy_in(HF41, DOWNLOAD)
    enable_standin_msi(prefix, DOWNLOAD, "hf41.exe", BUILD)
    return MsiexecStandIn(prefix, PRODUCT)


def main():
    print("Preparing a fresh Wine machine (64-bit Windows) with the stand-in ZEP 8 product ...")
    print("NOTE: the installer engine here is a STAND-IN msiexec.exe (testenv/msiexec) placed in the")
    print("      product folder: it records its command line and exits with 0; it changes nothing.")
    print("      The product service (orx.exe, tsremote.dll, tsstub.tsm) and msi.dll are stand-ins too.")
    with wine.Prefix() as prefix:
        engine = prepare(prefix)
        machine = Machine(prefix)

        now = run(machine, "/when now", "Install at once")
        calls = engine.calls()
        show("msiexec runs", "\n".join("%s   (in %s)" % (c.cmd, c.cwd) for c in calls) or "(msiexec was not started)")
        if now.code != 0 and "MSP-patch not signed" in (prefix.read_file(TRACE) or b"").decode("latin-1"):
            print("\nThe install stopped at the package signature check: this build's check is pending and")
            print("refuses every package, so no unsigned package ever reaches msiexec.")

        run(machine, "", "Schedule for shutdown (no switches)")
        show("shutdown scripts registered", machine.registrations())
        show("scripts.ini", machine.file(SCRIPTS_INI, "utf-16"))

        print("\n================ Simulated machine shutdown (runs the registered shutdown scripts)")
        outcome = simulate_shutdown(prefix, env=EVENTS)
        show("scripts run", "\n".join("%s -> exit code %s" % (s.command, s.code) for s in outcome.scripts))
        show("trace (ZEPPatch.log, the copy's run at shutdown)", machine.trace_since_last())
        show("end state: shutdown scripts registered", machine.registrations())
        show("end state: scripts.ini", machine.file(SCRIPTS_INI, "utf-16"))
        show("end state: Patches.ini", machine.file(PATCHES + "\\Patches.ini"))
        show("end state: msiexec runs", "\n".join(c.cmd for c in engine.calls()) or "(msiexec was not started)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
