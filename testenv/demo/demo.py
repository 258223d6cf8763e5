"""Shows hf41.exe doing its job on Wine's own Windows Installer engine, on
sandboxed Wine machines prepared as a machine with ZEP 8 installed is: the
stand-in ZEP 8 installed with msiexec, the product's values, its key
registries and service stand-ins in the product folder, its service running.

Each scenario ends with one verdict line, PASS or FAIL and why; the exit code
is 1 when any verdict is FAIL.
"""
import os
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "harness"))
import wine  # noqa: E402
from altered import altered_hf41  # noqa: E402
from msiexec_standin import MsiexecStandIn  # noqa: E402
from service_standin import start_service  # noqa: E402
from shutdown_sim import simulate_shutdown  # noqa: E402
from standin_msi import install_standin_msi  # noqa: E402

BUILD = os.environ["ZEP_BUILD_DIR"]
HF41 = os.environ["ZEP_HF41"]

PATCH = "{A623E528-4926-4E76-92A1-A9220E993BE6}"
PRODUCT_CODE = "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}"
SYSTEM = "C:\\windows\\system32"
MSIEXEC = SYSTEM + "\\msiexec.exe"
SETUP = "C:\\setup"
DOWNLOAD = "C:\\Download"
ZEP8 = r"\TorvellanLab\protected\ZEP8"
VIEW32 = wine.HKLM + r"\Software\Wow6432Node" + ZEP8
VIEW64 = wine.HKLM + r"\Software" + ZEP8
STATE = wine.HKLM + r"\SOFTWARE\Microsoft\Windows\CurrentVersion\Group Policy\State\Machine\Scripts\Shutdown"
SCRIPTS_INI = SYSTEM + "\\GroupPolicy\\Machine\\Scripts\\scripts.ini"
DLL_OVERRIDES = r"HKEY_CURRENT_USER\Software\Wine\DllOverrides"
EVENTS = {"WINEDEBUG": "fixme+advapi,trace+eventlog"}
EVENT_CALL = re.compile(r"fixme:advapi:ReportEventW \(\w+,0x(\w{4}),\w+,0x(\w+),")
EVENT_TEXT = re.compile(r"\w+:eventlog:ReportEventW L\"(.*)\"")
EVENT_TYPES = {"0001": "error", "0002": "warning", "0004": "information"}
WAIT_LINE = "CUsingORX::WaitORX: Wait ORX service..."
NOT_SIGNED = "CPatchRunner::ApplyPrivatePachesNow: MSP-patch not signed."
INVALID = "CPatchRunner::ApplyPrivatePachesNow invalid MSP signature."

verdicts = []


def cache_value(name):
    with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    raise RuntimeError("%s is not in the build's cache" % name)


PACKAGE = cache_value("ZEP_PACKAGE_FILE_X64")
PRODUCT_MSI = cache_value("ZEP_STANDIN_PRODUCT_X64")
FIX_FILES = [item.split("=", 1) for item in cache_value("ZEP_FIX_FILES").split(";")]
KEYS = cache_value("ZEP_TEST_REGISTRY_DIR")


def show(title, text):
    print("--- %s " % title + "-" * max(0, 66 - len(title)))
    print(text.rstrip() if text and text.strip() else "(nothing)")


def text_of(data):
    if not data:
        return ""
    if data[:2] == b"\xff\xfe":
        return data[2:].decode("utf-16-le", errors="replace").replace("\r\n", "\n")
    return data.decode("latin-1").replace("\r\n", "\n")


def verdict(name, failures):
    ok = not failures
    verdicts.append((name, ok))
    print("VERDICT %s: %s: %s\n" % ("PASS" if ok else "FAIL", name,
                                    "every check held" if ok else "; ".join(failures)))


def check(failures, condition, why):
    if not condition:
        failures.append(why)


class Machine:
    """A fresh 64-bit Wine machine with the stand-in ZEP 8 installed."""

    def __init__(self, name):
        started = time.monotonic()
        self.prefix = wine.Prefix()
        self.trace_offset = 0
        msi = self.prefix.copy_in(PRODUCT_MSI, SETUP)
        installed = self.prefix.run(MSIEXEC, '/i "%s" /qn' % msi)
        root = self.prefix.reg_query(VIEW32 + r"\environment", "ProductRoot")
        if installed.code != 0 or root is None:
            raise RuntimeError("msiexec /i of the stand-in ZEP 8 failed: exit %d" % installed.code)
        self.product = root[1] if root[1].endswith("\\") else root[1] + "\\"
        self.patches = self.product + "Patches"
        self.trace_root = self.product + "Trace\\"
        # The product writes its values for 32-bit programs; the x86-64 build
        # of hf41 reads the 64-bit view, so they are given there too. The
        # trace folder value ends in a backslash, as the trace file expects.
        values = {"ProductRoot": self.product, "TraceRoot": self.trace_root,
                  "Skin": self.product + "Skin", "Localization": "enu"}
        for view in (VIEW32, VIEW64):
            self.prefix.reg_import("[%s\\environment]\r\n%s" % (view, "".join(
                '"%s"="%s"\r\n' % (k, v.replace("\\", "\\\\")) for k, v in values.items())))
        os.makedirs(self.prefix.host_path(self.trace_root), exist_ok=True)
        for part in (("tsremote", "tsremote.dll"), ("tsstub", "tsstub.tsm")):
            self.prefix.copy_in(os.path.join(BUILD, "testenv", *part), self.product)
        for name_ in ("tl.pbv", "oper.pbv"):
            self.prefix.copy_in(os.path.join(KEYS, name_), self.product)
        self.exe = self.prefix.copy_in(HF41, DOWNLOAD)
        install_standin_msi(self.prefix, "hf41.exe", BUILD)
        start_service(self.prefix, self.product, build_dir=BUILD)
        print("%s: fresh 64-bit Wine machine; stand-in ZEP 8 installed by Wine's msiexec /i (exit %d) in %s;"
              % (name, installed.code, self.product))
        print("    key registries tl.pbv, oper.pbv and service stand-ins in the product folder; service orx.exe"
              " running; hf41.exe in %s  [%.0f s]" % (DOWNLOAD, time.monotonic() - started))

    def destroy(self):
        self.prefix.destroy()

    # -- what the machine shows ----------------------------------------------
    def trace_since_last(self):
        data = self.prefix.read_file(self.trace_root + "ZEPPatch.log") or b""
        text = text_of(data[self.trace_offset:])
        self.trace_offset = len(data)
        return text

    def file_text(self, win_path):
        data = self.prefix.read_file(win_path)
        return text_of(data) if data is not None else "(no file %s)" % win_path

    def patches_ini(self):
        return self.file_text(self.patches + "\\Patches.ini")

    def patch_listed(self):
        query = self.prefix.copy_in(os.path.join(BUILD, "testenv", "patchquery", "patchquery.exe"), SETUP)
        result = self.prefix.run(query, PRODUCT_CODE)
        return result.stdout.decode().split()

    def product_hotfix(self):
        value = self.prefix.reg_query(VIEW32 + r"\Data", "ProductHotfix")
        return value[1] if value else None

    def fixed_files(self):
        """(file, has the fix's content)."""
        out = []
        for key, path in FIX_FILES:
            with open(path, "rb") as f:
                out.append((key, self.prefix.read_file(self.product + key) == f.read()))
        return out

    def msi_log_excerpt(self, skip=0):
        """The engine's lines about this run's package and patch.dll's own
        lines, after the first `skip` lines; and the number of lines."""
        lines = text_of(self.prefix.read_file(self.trace_root + "ZEPPatchMSI.log")).splitlines()
        keep = [l for l in lines[skip:] if l.startswith("RegisterHotfixesInfo:  ") or "=== Logging" in l
                or "MainEngineThread is returning" in l or "Product: " in l]
        return "\n".join(keep[:16]) + "\n... (%d lines appended)" % (len(lines) - skip), len(lines)

    def registrations(self):
        lines = []
        for number in range(8):
            key = STATE + "\\0\\%d" % number
            if not self.prefix.reg_key_exists(key):
                break
            script = self.prefix.reg_query(key, "Script")
            parameters = self.prefix.reg_query(key, "Parameters")
            lines.append('%s\\0\\%d: Script=%s  Parameters=%s' % (STATE.split("\\")[-1], number,
                                                                   script and script[1], parameters and parameters[1]))
        return lines

    def hf41(self, args, exe=None, title=None):
        result = self.prefix.run(exe or self.exe, args, env=EVENTS)
        print("\n$ hf41.exe %s%s" % (args, "   (%s)" % title if title else ""))
        show("exit code", str(result.code))
        show("console (standard output redirected)", text_of(result.stdout))
        trace = self.trace_since_last()
        show("trace of this run (ZEPPatch.log, appended)", trace)
        events = events_of(result.stderr)
        show("events written (source \"zep\")", "\n".join(events))
        return result, trace, events


def events_of(stderr):
    calls = EVENT_CALL.findall(stderr)
    texts = EVENT_TEXT.findall(stderr)
    return ["%s 0x%s: %s" % (EVENT_TYPES.get(kind, kind), ident.upper(), text.replace("\\n", " | ").rstrip(" |"))
            for (kind, ident), text in zip(calls, texts)]


def count_waits(trace):
    return sum(1 for line in trace.splitlines() if line.endswith(WAIT_LINE))


def install_the_stand_in_engine(machine):
    """Wine 8 cannot remove a patch, so a stand-in msiexec.exe takes the
    system engine's place: it records its command line and changes nothing."""
    engine = MsiexecStandIn(machine.prefix, SYSTEM)
    machine.prefix.reg_set(DLL_OVERRIDES, "msiexec.exe", "native")
    return engine


# -- scenarios ------------------------------------------------------------------
def install_at_once(m):
    print("\n================ 1. Install at once")
    result, trace, events = m.hf41("/when now")
    listed = m.patch_listed()
    show("the engine lists for ZEP 8 (MsiEnumPatchesW)", "\n".join(listed))
    fixed = m.fixed_files()
    show("changed files of the fix", "\n".join("%s: %s" % (k, "new content" if ok else "OLD content")
                                                for k, ok in fixed))
    show("ProductHotfix (32-bit view, Wow6432Node%s\\Data)" % ZEP8, str(m.product_hotfix()))
    excerpt, m.msi_log_lines = m.msi_log_excerpt()
    show("ZEPPatchMSI.log (the engine's log, excerpt)", excerpt)
    ini = m.patches_ini()
    show("Patches.ini", ini)
    f = []
    check(f, result.code == 0, "exit code %d, not 0" % result.code)
    check(f, text_of(result.stdout).endswith("Patches installed successfully.\nZEP Patch successfully installed."),
          "console lacks 'Patches installed successfully.'")
    check(f, "CPatchRunner::ApplyPrivatePachesNow: Run msiexec. CMD: msiexec.exe /qn /lv+* " in trace,
          "msiexec was not started")
    check(f, listed == [PATCH], "the engine lists %s" % listed)
    check(f, all(ok for _, ok in fixed), "a changed file has its old content")
    check(f, m.product_hotfix() == "hf41", "ProductHotfix is %r" % m.product_hotfix())
    check(f, "RegisterHotfixesInfo:  RegisterHotfixesInfo initialized." in excerpt, "patch.dll did not run")
    check(f, re.search(r"(?m)^%s=installed$" % re.escape(PATCH), ini), "Patches.ini does not say installed")
    check(f, [e.split(":")[0] for e in events] == ["information 0x40021237"] * 2, "events %s" % events)
    check(f, "invalid MSP signature" not in trace, "the package was refused")
    check(f, count_waits(trace) == 0, "%d waits for the service" % count_waits(trace))
    verdict("install at once", f)
    return count_waits(trace)


def second_run(m):
    print("\n================ 2. The same command again (a repeated deployment)")
    result, trace, events = m.hf41("/when now")
    excerpt, m.msi_log_lines = m.msi_log_excerpt(m.msi_log_lines)
    show("ZEPPatchMSI.log, this run (excerpt)", excerpt)
    listed = m.patch_listed()
    show("the engine lists for ZEP 8", "\n".join(listed))
    show("ProductHotfix", str(m.product_hotfix()))
    ini = m.patches_ini()
    show("Patches.ini", ini)
    print("The patcher does not ask whether the fix is applied before it installs: it hands the package to the")
    print("engine again, and reports success when the engine does.")
    if len(listed) > 1:
        print("Wine's engine now lists the patch %d times: it recorded the same patch once more." % len(listed))
    f = []
    check(f, result.code == 0, "exit code %d, not 0" % result.code)
    check(f, "Run msiexec. CMD: msiexec.exe /qn" in trace, "msiexec was not started")
    check(f, text_of(result.stdout).endswith("Patches installed successfully.\nZEP Patch successfully installed."),
          "console lacks 'Patches installed successfully.'")
    check(f, set(listed) == {PATCH}, "the engine lists %s" % listed)
    check(f, m.product_hotfix() == "hf41", "ProductHotfix is %r" % m.product_hotfix())
    check(f, re.search(r"(?m)^%s=installed$" % re.escape(PATCH), ini), "Patches.ini does not say installed")
    check(f, count_waits(trace) == 0, "%d waits for the service" % count_waits(trace))
    verdict("second run of the same command", f)
    return count_waits(trace)


def install_at_shutdown(m):
    print("\n================ 3. Install at shutdown (the default: no switches)")
    result, trace, events = m.hf41("")
    copy = m.patches + "\\Private\\hf41.exe"
    registered = m.registrations()
    show("shutdown script registered (registry)", "\n".join(registered))
    show("scripts.ini", m.file_text(SCRIPTS_INI))
    show("the engine lists for ZEP 8 (not yet)", "\n".join(m.patch_listed()))
    journal = m.file_text(m.product + "tessel.log")
    show("the product service was asked for a restart (service stand-in's journal)",
         "\n".join(l for l in journal.splitlines() if "0x64E52DB8" in l or "0x2937151D" in l))
    f = []
    check(f, result.code == 0, "exit code %d, not 0" % result.code)
    check(f, text_of(result.stdout).endswith("Patches will be installed when the operating system restarts."
                                             "\nZEP Patch successfully installed."), "console text")
    check(f, len(registered) == 1 and ("Script=%s " % copy) in registered[0] and "/when now /clean" in registered[0],
          "registration %s" % registered)
    check(f, ("0CmdLine=%s" % copy) in m.file_text(SCRIPTS_INI), "scripts.ini lacks the copy")
    check(f, m.patch_listed() == [], "installed already")
    check(f, "class=0x64E52DB8" in journal, "no restart request")
    waits = count_waits(trace)

    print("\n$ (simulated machine shutdown: the registered shutdown scripts run, as Windows runs them)")
    outcome = simulate_shutdown(m.prefix, env=EVENTS)
    show("scripts run", "\n".join("%s -> exit code %s" % (s.command, s.code) for s in outcome.scripts))
    trace = m.trace_since_last()
    show("trace of the copy's run at shutdown", trace)
    show("end state: shutdown scripts registered", "\n".join(m.registrations()))
    show("end state: scripts.ini", m.file_text(SCRIPTS_INI))
    show("end state: the engine lists for ZEP 8", "\n".join(m.patch_listed()))
    show("end state: ProductHotfix", str(m.product_hotfix()))
    ini = m.patches_ini()
    show("end state: Patches.ini", ini)
    check(f, [(s.command, s.code) for s in outcome.scripts] == [('"%s" /when now /clean ' % copy, 0)],
          "scripts run: %s" % outcome.output.strip())
    check(f, m.registrations() == [] and "CmdLine" not in m.file_text(SCRIPTS_INI), "registration left behind")
    check(f, m.patch_listed() == [PATCH], "the engine lists %s" % m.patch_listed())
    check(f, all(ok for _, ok in m.fixed_files()), "a changed file has its old content")
    check(f, m.product_hotfix() == "hf41", "ProductHotfix is %r" % m.product_hotfix())
    check(f, re.search(r"(?m)^%s=installed$" % re.escape(PATCH), ini), "Patches.ini does not say installed")
    check(f, "invalid MSP signature" not in trace, "the package was refused")
    waits += count_waits(trace)
    check(f, waits == 0, "%d waits for the service" % waits)
    verdict("install at shutdown", f)
    return waits


def removal(m):
    print("\n================ 4. Removal (with a STAND-IN msiexec.exe)")
    print("NOTE: Wine 8's engine has no patch removal (it would uninstall the whole product), so for this scenario")
    print("      a STAND-IN msiexec.exe (testenv/msiexec) replaces the system's one in %s." % SYSTEM)
    print("      It records the command line it gets and exits 0; it removes NOTHING. The fix stays applied.")
    engine = install_the_stand_in_engine(m)
    expected = ('msiexec.exe /package %s /uninstall %s /lv+* "%sZEPPatchMSI.log" /qn INSTALLONREBOOT=1'
                % (PRODUCT_CODE, PATCH, m.trace_root))
    result, trace, events = m.hf41("/when now /uninstall", title="remove at once")
    show("msiexec.exe command lines received (stand-in)", "\n".join(c.cmd for c in engine.calls()))
    f = []
    check(f, result.code == 0, "exit code %d, not 0" % result.code)
    check(f, [c.cmd for c in engine.calls()] == [expected], "removal command line %s" % engine.calls())
    check(f, "CPatchRunner::UninstallPrivatePachesNow: Patches uninstalled" in trace, "no removal success line")
    check(f, events == [], "events %s" % events)
    waits = count_waits(trace)

    result, trace, _ = m.hf41("/uninstall", title="remove at shutdown")
    copy = m.patches + "\\Private\\hf41.exe"
    show("shutdown script registered", "\n".join(m.registrations()))
    check(f, result.code == 0, "exit code %d, not 0" % result.code)
    check(f, any("/when now /uninstall  /clean" in r for r in m.registrations()), "no removal registration")
    waits += count_waits(trace)
    print("\n$ (simulated machine shutdown)")
    outcome = simulate_shutdown(m.prefix, env=EVENTS)
    show("scripts run", "\n".join("%s -> exit code %s" % (s.command, s.code) for s in outcome.scripts))
    trace = m.trace_since_last()
    show("msiexec.exe command lines received (stand-in)", "\n".join(c.cmd for c in engine.calls()))
    show("end state: shutdown scripts registered", "\n".join(m.registrations()))
    check(f, [(s.command, s.code) for s in outcome.scripts] == [('"%s" /when now /uninstall  /clean ' % copy, 0)],
          "scripts run: %s" % outcome.output.strip())
    check(f, [c.cmd for c in engine.calls()] == [expected, expected], "removal command lines %s" % engine.calls())
    check(f, m.registrations() == [], "registration left behind")
    check(f, m.patch_listed() == [PATCH], "the stand-in changed what the engine lists: %s" % m.patch_listed())
    waits += count_waits(trace)
    check(f, waits == 0, "%d waits for the service" % waits)
    verdict("removal (stand-in msiexec)", f)
    return engine, waits


def refused_package(m, engine):
    print("\n================ 5. A refused package (an altered copy of hf41.exe)")
    folder = tempfile.mkdtemp(prefix="zep-demo-")
    try:
        altered = m.prefix.copy_in(altered_hf41(HF41, PACKAGE, folder), DOWNLOAD + "\\altered")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print("One byte of the embedded x64 package changed (in %s); the stand-in msiexec.exe still records any start."
          % altered)
    calls_before = len(engine.calls())
    result, trace, events = m.hf41("/when now", exe=altered)
    errors = [line.split("\tpatch\t", 1)[1] for line in trace.splitlines() if "\tERR\tpatch\t" in line]
    show("error lines of the trace", "\n".join(errors))
    show("msiexec.exe starts in this run", str(len(engine.calls()) - calls_before))
    f = []
    check(f, result.code == 1, "exit code %d, not 1" % result.code)
    own = [e for e in errors if e.startswith("CPatchRunner::")]
    check(f, own == [NOT_SIGNED, INVALID], "the patcher's error lines are %s" % own)
    check(f, text_of(result.stdout).endswith(INVALID), "console lacks the refusal")
    check(f, len(events) == 2 and events[0].startswith("information") and events[1].startswith("error 0xC0021234")
          and "Cannot install patches" in events[1], "events %s" % events)
    check(f, len(engine.calls()) == calls_before and "Run msiexec" not in trace, "the engine was started")
    verdict("refused package", f)


def main():
    started = time.monotonic()
    print("The x86-64 build of hf41.exe on Wine's own Windows Installer engine (64-bit Wine machines).")
    print("Stand-ins, as the product would have them: ZEP 8 (an MSI of the same product and upgrade code), its")
    print("service (orx.exe, tsremote.dll, tsstub.tsm) and the key registries made with the TEST keys. Wine's msi.dll")
    print("lacks MsiExtractPatchXMLDataW, which a stand-in msi.dll (testenv/msi) supplies; it forwards the rest.\n")
    waits = {}

    def attempt(name, scenario, *args):
        # A scenario that cannot even run is a failed scenario; the rest go on.
        try:
            return scenario(*args)
        except Exception as error:
            verdict(name, ["%s: %s" % (type(error).__name__, error)])
            return None

    first = Machine("Machine A")
    try:
        waits["install at once"] = attempt("install at once", install_at_once, first)
        waits["second run of the same command"] = attempt("second run of the same command", second_run, first)
    finally:
        first.destroy()
    print()
    second = Machine("Machine B")
    try:
        waits["install at shutdown"] = attempt("install at shutdown", install_at_shutdown, second)
        name = "removal (stand-in msiexec)"
        engine, waits[name] = attempt(name, removal, second) or (None, None)
        if engine:
            attempt("refused package", refused_package, second, engine)
        else:
            verdict("refused package", ["not run: the stand-in engine is not in place"])
    finally:
        second.destroy()

    print("================ Summary  [%.0f s]" % (time.monotonic() - started))
    for name, ok in verdicts:
        print("%s  %s" % ("PASS" if ok else "FAIL", name))
    print("\"Wait ORX service...\" lines in the successful scenarios: %d"
          % sum(waits[name] or 0 for name in waits if dict(verdicts).get(name, True)))
    failed = [name for name, ok in verdicts if not ok]
    print("DEMO %s" % ("FAILED: " + ", ".join(failed) if failed else "PASSED: every scenario as expected"))
    return 1 if failed else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Exception as error:  # a machine that cannot be prepared is a failure too
        print("DEMO FAILED: %s: %s" % (type(error).__name__, error))
        sys.exit(1)
