"""hf41.exe's courses end to end under Wine, with the stand-in product: the
product installed in Wine's installer, the service stand-ins, the stand-in
msi.dll and the stand-in msiexec.exe where a machine has the real ones: the
prefix's system folder.

As on a machine with the product installed, the product's service runs
before every scenario; ServiceDown is the one scenario in which it does not.
The courses in which the embedded package is accepted need the build's signed
packages and the key registries tl.pbv and oper.pbv (ZEP_SIGNED_PACKAGES=1,
ZEP_KEY_REGISTRIES); a refused package is an altered copy of hf41.exe.
"""
import os
import re
import subprocess
import tempfile
import time
import unittest

import wine
from altered import altered_hf41
from patcher_texts import AT_RESTART, BANNER, CLOSING
from msiexec_standin import DLL_OVERRIDES, MsiexecStandIn, install_as_system_engine, standin_path
from service_standin import start_service
from shutdown_sim import registration, simulate_shutdown
from standin_msi import install_standin_msi

BUILD = os.environ["ZEP_BUILD_DIR"]
HF41 = os.environ["ZEP_HF41"]
TSREMOTE = os.path.join(BUILD, "testenv", "tsremote", "tsremote.dll")
TSSTUB = os.path.join(BUILD, "testenv", "tsstub", "tsstub.tsm")
ORX = os.path.join(BUILD, "testenv", "orx", "orx.exe")
PRODUCT_MSI = os.path.join(BUILD, "testenv", "msi", "zep8.msi")
PRODUCT_CODE = "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}"  # of the stand-in ZEP 8
wine.require_runnable(HF41, os.environ["ZEP_WEXEC"], standin_path())

SIGNED = os.environ.get("ZEP_SIGNED_PACKAGES") == "1"
signed_only = unittest.skipUnless(SIGNED, "needs signed packages and the real signature check (ZEP_SIGNED_PACKAGES=1)")
PACKAGE_X64 = os.environ.get("ZEP_PACKAGE_X64")

HKLM = wine.HKLM
STATE = HKLM + r"\SOFTWARE\Microsoft\Windows\CurrentVersion\Group Policy\State\Machine\Scripts\Shutdown"
NEWER = HKLM + r"\SOFTWARE\Microsoft\Windows\CurrentVersion\Group Policy\Scripts\Shutdown"
OLDER = HKLM + r"\SOFTWARE\Policies\Microsoft\Windows\System\Scripts\Shutdown"
SCRIPTS_INI = "C:\\windows\\system32\\GroupPolicy\\Machine\\Scripts\\scripts.ini"

PRODUCT = "C:\\Program Files\\ZEP 8\\"
PATCHES = PRODUCT + "Patches"
COPY = PATCHES + "\\Private\\hf41.exe"
TRACE_ROOT = "C:\\Trace Folder\\"
TRACE = TRACE_ROOT + "ZEPPatch.log"
DOWNLOAD = "C:\\Download"
EXE = DOWNLOAD + "\\hf41.exe"
ALTERED = "C:\\Altered\\hf41.exe"
WAIT = "CUsingORX::WaitORX: Wait ORX service..."

PREPARING = b"Preparing for installation of patches."
EVENT_TRACE = {"WINEDEBUG": "fixme+advapi,trace+eventlog"}
HEADER = b"\r\n===ZEP Patcher trace file===\r\n"
RECORD = re.compile(rb"\r\n(\d\d:\d\d:\d\d\.\d{3})\t([0-9a-f]{3,})\t([A-Z]{3}|-?\d+)\tpatch\t")
REPORT = re.compile(r"fixme:advapi:ReportEventW \(\w+,0x(\w{4}),")
TEXT = re.compile(r"\w+:eventlog:ReportEventW (L\".*)")

prefix = None
engine = None


def setUpModule():
    global prefix, engine
    prefix = wine.Prefix()
    os.makedirs(prefix.host_path(TRACE_ROOT), exist_ok=True)
    out = prefix._exec([wine.WINE64, "msiexec", "/i", "Z:" + PRODUCT_MSI.replace("/", "\\"), "/qn"])
    if out.returncode != 0:
        raise RuntimeError("the stand-in product did not install: %r" % out.stderr[-2000:])
    for stand_in in (TSREMOTE, TSSTUB, ORX):
        prefix.copy_in(stand_in, PRODUCT)
    prefix.copy_in(HF41, DOWNLOAD)
    install_standin_msi(prefix, "hf41.exe")
    if PACKAGE_X64:
        with tempfile.TemporaryDirectory() as folder:
            prefix.copy_in(altered_hf41(HF41, PACKAGE_X64, folder), "C:\\Altered")
    if SIGNED:
        for name in ("tl.pbv", "oper.pbv"):
            prefix.copy_in(os.path.join(os.environ["ZEP_KEY_REGISTRIES"], name), PRODUCT)
    # The patcher starts the system's engine by its full path.
    engine = install_as_system_engine(prefix)


def tearDownModule():
    prefix.destroy()


def set_environment(product_root=PRODUCT):
    prefix.reg_delete(wine.PRODUCT_ENV_KEY)
    values = '"TraceRoot"="%s"\r\n' % TRACE_ROOT.replace("\\", "\\\\")
    if product_root is not None:
        values += '"ProductRoot"="%s"\r\n' % product_root.replace("\\", "\\\\")
    prefix.reg_import("[%s]\r\n%s" % (wine.PRODUCT_ENV_KEY, values))


def remove_tree(win_path):
    import shutil
    shutil.rmtree(prefix.host_path(win_path), ignore_errors=True)


def remove_file(win_path):
    path = prefix.host_path(win_path)
    if os.path.exists(path):
        os.remove(path)


def records():
    """(tag, message) of every trace record, in order."""
    trace = (prefix.read_file(TRACE) or b"").replace(HEADER, b"")
    parts = RECORD.split(trace)
    return [(parts[i + 2].decode(), parts[i + 3].decode("latin-1")) for i in range(1, len(parts) - 1, 4)]


def messages():
    return [m for _, m in records()]


def events(stderr):
    """(event type, text as Wine prints it) per ReportEventW call."""
    return list(zip(REPORT.findall(stderr), TEXT.findall(stderr)))


def registrations():
    """(Script, Parameters) of every entry of the policy state's script list."""
    entries = []
    for number in range(0, 8):
        key = STATE + "\\0\\%d" % number
        if not prefix.reg_key_exists(key):
            break
        # `reg query` drops trailing blanks; the exact parameter text is
        # checked in scripts.ini and in the trace.
        entries.append((prefix.reg_query(key, "Script")[1], prefix.reg_query(key, "Parameters")[1] + " "))
    return entries


def scripts_ini():
    data = prefix.read_file(SCRIPTS_INI) or b""
    return data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("latin-1")


def in_order(haystack, needles):
    """True when the needles occur in haystack in this order."""
    at = 0
    for needle in needles:
        try:
            at = haystack.index(needle, at) + 1
        except ValueError:
            return False
    return True


class HeldFile:
    """A file another process holds open without sharing, for the length of a with block."""

    def __init__(self, win_path):
        self.path = win_path

    def __enter__(self):
        holder = prefix.copy_in(os.environ["ZEP_HOLDER"], "C:\\tools")
        self.ready, self.stop = "C:\\tools\\ready", "C:\\tools\\stop"
        for flag in (self.ready, self.stop):
            remove_file(flag)
        program = prefix.host_path(holder)
        loader = wine.WINE64 if wine.is_pe32_plus(program) else wine.WINE32
        self.proc = subprocess.Popen([loader, program, "file", self.path, self.ready, self.stop], env=prefix.env(),
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 60
        while prefix.read_file(self.ready) is None and time.time() < deadline:
            time.sleep(0.1)
        if prefix.read_file(self.ready) is None:
            raise RuntimeError("the holder never opened %s" % self.path)
        return self

    def __exit__(self, *exc):
        prefix.write_file(self.stop, b"")
        self.proc.wait(timeout=60)


class Course(unittest.TestCase):
    """Each scenario starts from an installed product without patcher state."""

    def setUp(self):
        set_environment()
        remove_tree(PATCHES)
        for path in (TRACE, SCRIPTS_INI, PRODUCT + "tessel.log", engine.folder + "\\msiexec.log"):
            remove_file(path)
        for key in (STATE, NEWER, OLDER):
            prefix.reg_delete(key)
        engine.set_exit_code(0)
        start_service(prefix, PRODUCT)

    def tearDown(self):
        prefix._exec([wine.WINE64, "taskkill", "/F", "/IM", "orx.exe"])

    def hf41(self, args, exe=EXE):
        return prefix.run(exe, args, env=EVENT_TRACE)

    def assertOrder(self, needles):
        self.assertTrue(in_order(messages(), needles), "\n".join(messages()))

    def assertFailed(self, result, text):
        """Exit 1, the text in the trace and on the console, one InstallFail event."""
        self.assertEqual(result.code, 1)
        self.assertTrue(result.stdout.endswith(text.encode()), result.stdout)
        self.assertIn(("ERR", text), records())
        self.assertNotIn("Finish ZEP Patch successfully", messages())
        self.assertEqual(events(result.stderr)[-1][0], "0001")
        # The built-in texts: the product's environment names no localization.
        self.assertEqual(events(result.stderr)[-1][1], 'L"Patch version: hf41\\nCannot install patches.\\n"')
        self.assertEqual(sum(1 for kind, _ in events(result.stderr) if kind == "0001"), 1)

    def assertNothingRegistered(self):
        self.assertEqual(registrations(), [])
        self.assertFalse(os.path.exists(prefix.host_path(COPY)))

    def service_journal(self):
        return (prefix.read_file(PRODUCT + "tessel.log") or b"").decode(errors="replace")


class AtShutdown(Course):
    def test_no_switch_reboot_and_empty_when_register_one_copy_with_when_now_and_clean(self):
        for args in ["", "/when reboot", "/when"]:
            with self.subTest(args=args):
                remove_file(TRACE)
                result = self.hf41(args)
                self.assertEqual(result.code, 0, result.stdout)
                self.assertEqual(result.stdout, BANNER + AT_RESTART + CLOSING)
                # Registering the same path again replaces the earlier entry.
                self.assertEqual(registrations(), [(COPY, "/when now /clean ")])
                self.assertEqual(prefix.read_file(COPY), prefix.read_file(EXE))
                kinds = events(result.stderr)
                self.assertEqual([k for k, _ in kinds], ["0004"])
                self.assertIn("Patches will be installed when the operating system restarts", kinds[0][1])
                self.assertIn("hf41", kinds[0][1])
                self.assertOrder([
                    "Start ZEP Patch hf41",
                    "Parse CMD line: " + args,
                    "CUsingORX::CUsingORX: ProductFolder: " + PRODUCT,
                    "CPatchRunner::CPatchRunner: Create %s folder for patches." % PATCHES,
                    "CPatchRunner::CPatchRunner: Created.",
                    "CPatchRunner::RunPrivatePatch: " + COPY,
                    "CPatchRunner::CreateShutdownScript: Start",
                    "CPatchRunner::CreateShutdownScript: Module path: " + COPY,
                    "CPatchRunner::CreateShutdownScript: Parameters: /when now /clean ",
                    "CPatchRunner::CreateShutdownScript: Finish",
                    "CUsingORX::SetStatusNeedRebootOS: SUCCESS",
                    "Finish ZEP Patch successfully",
                    "CUsingORX::~CUsingORX: Free Tessel.",
                ])
        journal = self.service_journal()
        self.assertIn("class=0x64E52DB8 id=0x0", journal)
        self.assertIn("class=0x2937151D id=0xC1D5EFA5", journal)
        ini = scripts_ini()
        self.assertIn("[Shutdown]", ini)
        self.assertIn("0CmdLine=" + COPY, ini)
        self.assertIn("0Parameters=/when now /clean \r\n", ini)
        self.assertEqual(engine.calls(), [])

    def test_user_switches_travel_to_the_shutdown_parameters(self):
        result = self.hf41("/showui /when reboot /quiet")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(registrations(), [(COPY, "/quiet  /showui  /when now /clean ")])

    def test_clean_alone_removes_its_own_registration_first_then_schedules(self):
        code, out = registration(prefix, "create", EXE, "/when now ")
        self.assertEqual(code, 0, out)
        self.assertEqual(registrations(), [(EXE, "/when now ")])
        result = self.hf41("/clean")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(result.stdout, BANNER + AT_RESTART + CLOSING)
        self.assertEqual(registrations(), [(COPY, "/when now /clean  /clean ")])
        ini = scripts_ini()
        self.assertNotIn(EXE, ini)
        self.assertIn("0Parameters=/when now /clean  /clean \r\n", ini)

    def test_refused_when_value_fails_after_clean_and_leaves_nothing(self):
        code, out = registration(prefix, "create", EXE, "/x ")
        self.assertEqual(code, 0, out)
        result = self.hf41("/clean /when later")
        self.assertFailed(result, "CPatchRunner::RunPrivatePatch: value of parameter /when")
        self.assertEqual(result.stdout, BANNER + b"CPatchRunner::RunPrivatePatch: value of parameter /when")
        self.assertIn(("ERR", 'CPatchRunner::RunPrivatePatch: "%s" /clean /when later' % EXE), records())
        # "/clean" is acted on before the value is looked at.
        self.assertNothingRegistered()
        self.assertEqual(len(events(result.stderr)), 1)
        self.assertEqual(engine.calls(), [])
        self.assertTrue(os.path.isdir(prefix.host_path(PATCHES)))

    def test_when_values_are_case_sensitive(self):
        result = self.hf41("/when NOW")
        self.assertFailed(result, "CPatchRunner::RunPrivatePatch: value of parameter /when")
        self.assertNothingRegistered()

    def test_copy_target_in_use_fails_before_any_registration(self):
        os.makedirs(prefix.host_path(PATCHES + "\\Private"), exist_ok=True)
        with HeldFile(COPY):
            result = self.hf41("")
        failures = [m for tag, m in records() if tag == "ERR" and m.startswith("CPatchRunner::RunPrivatePatch: ")]
        self.assertEqual(len(failures), 1, messages())
        text = failures[0]
        self.assertFailed(result, text)
        self.assertNotIn("Unknown error.", text)
        self.assertEqual(result.stdout, BANNER + text.encode())
        self.assertEqual(registrations(), [])
        self.assertNotIn("CPatchRunner::CreateShutdownScript: Start", messages())
        self.assertEqual([k for k, _ in events(result.stderr)], ["0001"])
        self.assertNotIn("0x64E52DB8", self.service_journal())
        # The runner is destroyed on the way out: Patches.ini is rewritten
        # before the failure is reported.
        self.assertOrder(["CPatchManager::~CPatchManager: config-ini updated successfully.", text])

    def test_scripts_ini_that_cannot_be_written_fails_clean_and_registration_alike(self):
        # The copy's own registration first, while scripts.ini can be written.
        code, out = registration(prefix, "create", EXE, "/when now ")
        self.assertEqual(code, 0, out)
        import shutil
        remove_file(SCRIPTS_INI)
        os.makedirs(prefix.host_path(SCRIPTS_INI))  # a folder where the file goes
        self.addCleanup(shutil.rmtree, prefix.host_path(SCRIPTS_INI), True)

        # "/clean" comes before any course: its failure ends the run.
        result = self.hf41("/clean")
        failures = [m for tag, m in records() if tag == "ERR" and m.startswith("CShutdownScript::UpdateScriptIni: ")]
        self.assertEqual(len(failures), 1, messages())
        text = failures[0]
        self.assertFailed(result, text)
        self.assertEqual(result.stdout, BANNER + text.encode())
        self.assertEqual(registrations(), [])  # the entry was removed before the file was refused
        self.assertFalse(os.path.exists(prefix.host_path(COPY)))

        # The registration of the copy: the registry entry and the copy stay.
        remove_file(TRACE)
        result = self.hf41("")
        self.assertFailed(result, text)
        self.assertEqual(result.stdout, BANNER + text.encode())
        self.assertEqual(registrations(), [(COPY, "/when now /clean ")])
        self.assertEqual(prefix.read_file(COPY), prefix.read_file(EXE))
        self.assertEqual([k for k, _ in events(result.stderr)], ["0001"])
        self.assertNotIn("CPatchRunner::CreateShutdownScript: Finish", messages())
        self.assertNotIn("0x64E52DB8", self.service_journal())

    def test_refused_restart_request_fails_after_the_registration_and_undoes_nothing(self):
        control = PRODUCT + "tessel.ini"
        saved = prefix.read_file(control) or b""
        self.addCleanup(prefix.write_file, control, saved)
        prefix.write_file(control, saved + b"\r\n[refuse]\r\n64E52DB8/0=1\r\n")
        result = self.hf41("")
        text = "CUsingORX::SetStatusNeedRebootOS: tsSendMsg error."
        self.assertFailed(result, text)
        self.assertEqual(result.stdout, BANNER + AT_RESTART + text.encode())
        self.assertIn(("ERR", "CUsingORX::SetStatusNeedRebootOS: tsSendMsg error 0x80000061."), records())
        self.assertEqual([k for k, _ in events(result.stderr)], ["0004", "0001"])
        # The copy and its registration stay.
        self.assertEqual(registrations(), [(COPY, "/when now /clean ")])
        self.assertEqual(prefix.read_file(COPY), prefix.read_file(EXE))
        self.assertIn("0CmdLine=" + COPY, scripts_ini())
        self.assertNotIn("class=0x2937151D", self.service_journal())


class Console(Course):
    """What an administrator at a command prompt sees: a GUI program whose
    lines arrive only through a redirected standard output, and whose exit
    code a prompt gets with start /wait."""

    CMD = "C:\\windows\\system32\\cmd.exe"

    def test_is_a_gui_program(self):
        with open(HF41, "rb") as f:
            image = f.read(4096)
        pe = int.from_bytes(image[60:64], "little")
        self.assertEqual(int.from_bytes(image[pe + 24 + 68:pe + 24 + 70], "little"), 2)  # Windows GUI

    def test_redirected_output_holds_the_lines_and_start_wait_passes_the_exit_code(self):
        result = prefix.run(self.CMD, '/c "%s" /when later > C:\\out.txt' % EXE, cwd="C:\\")
        self.assertEqual(result.code, 1)
        self.assertEqual(prefix.read_file("C:\\out.txt"),
                         BANNER + b"CPatchRunner::RunPrivatePatch: value of parameter /when")
        for args, code in (("/when later", 1), ("/when reboot", 0)):
            with self.subTest(args=args):
                result = prefix.run(self.CMD, '/c start /wait "" "%s" %s' % (EXE, args), cwd="C:\\")
                self.assertEqual(result.code, code)


class ProductFolder(Course):
    def test_value_ending_in_a_slash_is_used_unchanged(self):
        set_environment("C:\\Program Files\\ZEP 8/")
        result = self.hf41("")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertIn("CPatchRunner::CPatchRunner: Create C:\\Program Files\\ZEP 8/Patches folder for patches.",
                      messages())
        self.assertEqual(registrations(), [("C:\\Program Files\\ZEP 8/Patches\\Private\\hf41.exe",
                                            "/when now /clean ")])

    def test_no_product_root_fails_before_any_folder_is_made(self):
        set_environment(None)
        result = self.hf41("/when now")
        # The service link reads the product folder first, so its failure is
        # the one reported; the runner's GetProductFolder is never reached.
        self.assertEqual(result.code, 1)
        self.assertTrue(result.stdout.startswith(BANNER + b"CUsingORX::CUsingORX: "), result.stdout)
        # The event source is found through the same key: the failure event
        # is attempted and the reporter traces why it was not written.
        self.assertEqual(events(result.stderr), [])
        self.assertIn(("ERR", "CEventLog::Report: Message provider not registered"), records())
        # The failure's message text is built before the reporter starts, so
        # the message table's lines come before the reporter's own.
        trace = messages()
        table = trace.index("CEventMessage::CEventMessage: Messages map empty. Fill it default strings.")
        reporter = [i for i, m in enumerate(trace) if m.startswith("CEventLog::CEventLogRegQueryStrValue: ")]
        self.assertEqual(len(reporter), 1, trace)
        self.assertLess(table, reporter[0], trace)
        self.assertFalse(os.path.exists(prefix.host_path(PATCHES)))
        self.assertEqual(engine.calls(), [])


class InstallNowFailures(Course):
    def test_package_that_cannot_be_written_starts_no_engine(self):
        # A folder where the package is to be written.
        os.makedirs(prefix.host_path(PATCHES + "\\hf41.msp"), exist_ok=True)
        result = self.hf41("/when now")
        failures = [m for tag, m in records() if tag == "ERR" and m.startswith("CUnpacker::ExtractResourceToFile: ")]
        self.assertEqual(len(failures), 1, messages())
        text = failures[0]
        self.assertFailed(result, text)
        self.assertNotIn("Unknown error.", text)
        self.assertEqual(result.stdout, BANNER + PREPARING + text.encode())
        self.assertEqual([k for k, _ in events(result.stderr)], ["0004", "0001"])
        self.assertFalse(any("Resource extracted" in m or "FileSignChecker::" in m or "Run msiexec" in m
                             for m in messages()), messages())
        self.assertEqual(engine.calls(), [])


@unittest.skipUnless(PACKAGE_X64, "needs the build's x64 package to alter a copy of hf41.exe (ZEP_PACKAGE_X64)")
class RefusedPackage(Course):
    """An altered copy: its package fails the signature check, so no package
    reaches msiexec."""

    def test_install_now_stops_at_the_signature_refusal(self):
        result = self.hf41("/when now", exe=ALTERED)
        text = "CPatchRunner::ApplyPrivatePachesNow invalid MSP signature."
        self.assertFailed(result, text)
        self.assertEqual(result.stdout, BANNER + PREPARING + text.encode())
        kinds = events(result.stderr)
        self.assertEqual([k for k, _ in kinds], ["0004", "0001"])
        self.assertIn("Preparing for installation of patches", kinds[0][1])
        own = [m for tag, m in records() if tag == "ERR" and m.startswith("CPatchRunner::")]
        self.assertEqual(own, ["CPatchRunner::ApplyPrivatePachesNow: MSP-patch not signed.", text])
        self.assertOrder(["CPatchRunner::CPatchRunner: Created.",
                          "CUnpacker::ExtractResourceToFile: Resource extracted to %s\\hf41.msp" % PATCHES,
                          "CPatchRunner::ApplyPrivatePachesNow: MSP-patch not signed.",
                          text])
        self.assertIsNotNone(prefix.read_file(PATCHES + "\\hf41.msp"))
        self.assertFalse(any("Run msiexec" in m for m in messages()))
        self.assertEqual(engine.calls(), [])
        # The refused package lies in the patches folder but is not counted.
        self.assertNotIn("not_installed", (prefix.read_file(PATCHES + "\\Patches.ini") or b"").decode("latin-1"))

    def test_uninstall_now_and_at_shutdown_stop_at_the_refused_guid_reading(self):
        text = "CPatchRunner::GetPrivatePatchGUID invalid MSP signature."
        for args in ["/when now /uninstall", "/uninstall", "/when reboot /uninstall"]:
            with self.subTest(args=args):
                remove_file(TRACE)
                result = self.hf41(args, exe=ALTERED)
                self.assertFailed(result, text)
                self.assertEqual(result.stdout, BANNER + text.encode())
                self.assertEqual(len(events(result.stderr)), 1)
                self.assertNothingRegistered()
        self.assertEqual(engine.calls(), [])

    def test_shutdown_round_trip_removes_the_registration_then_refuses_the_package(self):
        self.assertEqual(self.hf41("", exe=ALTERED).code, 0)
        outcome = simulate_shutdown(prefix, env=EVENT_TRACE)
        self.assertEqual([s.command for s in outcome.scripts], ['"%s" /when now /clean ' % COPY], outcome.output)
        # The copy's console text has no line end, so the simulator's exit
        # line follows it on the same line.
        self.assertEqual(re.findall(r"exit 0/0: (\d+)", outcome.output), ["1"], outcome.output)
        self.assertIn("invalid MSP signature.exit 0/0: 1", outcome.output)
        self.assertEqual(registrations(), [])
        self.assertTrue(prefix.reg_key_exists(STATE))
        self.assertNotIn("CmdLine", scripts_ini())
        self.assertIn("CPatchRunner::ApplyPrivatePachesNow invalid MSP signature.", messages())
        self.assertEqual(engine.calls(), [])


class ServiceDown(Course):
    """The one scenario with the product's service down: the patcher waits
    for it 30 times a second, starts it, and stops it again at the end."""

    def setUp(self):
        super().setUp()
        prefix._exec([wine.WINE64, "taskkill", "/F", "/IM", "orx.exe"])
        remove_file(PRODUCT + "tessel.log")

    def test_a_service_that_is_down_is_waited_for_started_and_stopped_again(self):
        result = self.hf41("")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(result.stdout, BANNER + AT_RESTART + CLOSING)
        self.assertEqual(messages().count(WAIT), 30)
        self.assertOrder(["CUsingORX::CUsingORX: the 1 try.",
                          "CUsingORX::CUsingORX: ORX not running.",
                          "CUsingORX::CUsingORX: Start ORX service.",
                          "CUsingORX::CUsingORX: SUCCESS.",
                          "CUsingORX::SetStatusNeedRebootOS: SUCCESS",
                          "Finish ZEP Patch successfully",
                          "CUsingORX::StopORXIfNeed: Stop ORX service.",
                          "CUsingORX::~CUsingORX: Free Tessel."])
        journal = self.service_journal()
        self.assertIn("api8 session=-1 image=orx.exe args=-s timeout=20000", journal)
        # The service ends on the stop request, a moment after the patcher.
        deadline = time.monotonic() + 10
        while "end reason=stop" not in journal and time.monotonic() < deadline:
            time.sleep(0.2)
            journal = self.service_journal()
        self.assertTrue(any(line.startswith("orx[") and "end reason=stop" in line for line in journal.splitlines()),
                        journal)
        self.assertEqual(registrations(), [(COPY, "/when now /clean ")])


@signed_only
class AcceptedPackage(Course):
    """Courses in which the embedded package passes the signature check."""

    def apply_line(self, showui=False):
        return "msiexec.exe" + ("" if showui else " /qn") + \
            ' /lv+* "%sZEPPatchMSI.log" /update "%s\\hf41.msp" INSTALLONREBOOT=1' % (TRACE_ROOT, PATCHES)

    def test_install_now_succeeds_for_0_1641_3010_and_fails_for_1602_1603(self):
        for code in (0, 1641, 3010):
            with self.subTest(code=code):
                engine.set_exit_code(code)
                remove_file(engine.folder + "\\msiexec.log")
                result = self.hf41("/when now")
                self.assertEqual(result.code, 0, result.stdout)
                self.assertEqual(result.stdout,
                                 BANNER + PREPARING + b"Patches installed successfully." + CLOSING)
                self.assertEqual([c.cmd for c in engine.calls()], [self.apply_line()])
                self.assertEqual(engine.calls()[0].cwd, PATCHES)
                self.assertEqual([k for k, _ in events(result.stderr)], ["0004", "0004"])
                self.assertIn("CPatchRunner::ApplyPrivatePachesNow: Patches applied", messages())
        texts = {}
        for code in (1602, 1603):
            with self.subTest(code=code):
                engine.set_exit_code(code)
                remove_file(TRACE)
                result = self.hf41("/when now /showui")
                self.assertEqual(result.code, 1)
                self.assertTrue(result.stdout.startswith(BANNER + PREPARING + b"CPatchRunner::ApplyPrivatePachesNow: "))
                self.assertNotIn(b"Unknown error.", result.stdout)
                self.assertNotIn(b"Patches installed successfully", result.stdout)
                self.assertEqual(engine.calls()[-1].cmd, self.apply_line(showui=True))
                # The exit code's own system text, after the operation's name.
                failures = [m for tag, m in records() if tag == "ERR" and m.startswith("CPatchRunner::")]
                self.assertEqual(len(failures), 1, messages())
                self.assertFailed(result, failures[0])
                texts[code] = failures[0]
                self.assertEqual(result.stdout, BANNER + PREPARING + failures[0].encode())
                self.assertEqual([k for k, _ in events(result.stderr)], ["0004", "0001"])
                self.assertNotIn("CPatchRunner::ApplyPrivatePachesNow: Patches applied", messages())
        self.assertNotEqual(texts[1602], texts[1603])

    def test_missing_msiexec_gives_the_crtproc_lines_and_exit_1(self):
        system_engine = engine.path
        saved = prefix.read_file(system_engine)
        remove_file(system_engine)
        try:
            result = self.hf41("/when now")
        finally:
            prefix.write_file(system_engine, saved)
        self.assertEqual(result.code, 1)
        self.assertTrue(any(m.startswith("Command line: msiexec.exe") for m in messages()))
        # CrtProc's line and the failure carry the same system text.
        started = [m for tag, m in records() if tag == "ERR" and m.startswith("CrtProc: ")]
        self.assertEqual(len(started), 1, messages())
        text = "CPatchRunner::ApplyPrivatePachesNow: " + started[0][len("CrtProc: "):]
        self.assertFailed(result, text)
        self.assertEqual(result.stdout, BANNER + PREPARING + text.encode())
        self.assertEqual([k for k, _ in events(result.stderr)], ["0004", "0001"])

    def test_uninstall_now_not_applied_is_nothing_to_uninstall(self):
        result = self.hf41("/when now /uninstall")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(result.stdout, BANNER + CLOSING)
        self.assertOrder(["CPatchRunner::UninstallPrivatePachesNow: Patch not installed. Nothing to uninstall.",
                          "CPatchRunner::UninstallPrivatePachesNow: SUCCESS"])
        self.assertEqual(events(result.stderr), [])
        self.assertEqual(engine.calls(), [])

    def test_uninstall_at_shutdown_not_applied_needs_nothing(self):
        result = self.hf41("/uninstall")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(result.stdout, BANNER + CLOSING)
        self.assertIn("CPatchRunner::RunPrivatePatch: Need not do anything.", messages())
        self.assertNothingRegistered()
        self.assertNotIn("0x64E52DB8", self.service_journal())

    def test_shutdown_round_trip_installs_at_once(self):
        self.assertEqual(self.hf41("").code, 0)
        outcome = simulate_shutdown(prefix)
        self.assertEqual([(s.command, s.code) for s in outcome.scripts], [('"%s" /when now /clean ' % COPY, 0)])
        self.assertEqual(registrations(), [])
        self.assertEqual([c.cmd for c in engine.calls()], [self.apply_line()])


@signed_only
class WithTheFixApplied(Course):
    """The fix's patch applied to the product by Wine's own engine (the test
    package a.msp carries the fix's patch GUID), so that the removal courses
    reach the engine. Wine's engine cannot remove a patch: afterwards the
    product is uninstalled and installed again, unpatched, for whatever runs
    next in this prefix."""

    @classmethod
    def wines_engine(cls, *arguments):
        prefix.reg_set(DLL_OVERRIDES, "msiexec.exe", "builtin")
        try:
            return prefix._exec([wine.WINE64, "msiexec"] + list(arguments))
        finally:
            prefix.reg_set(DLL_OVERRIDES, "msiexec.exe", "native")

    @classmethod
    def setUpClass(cls):
        package = os.path.join(BUILD, "tests", "wine", "support", "data", "a.msp")
        out = cls.wines_engine("/p", "Z:" + package.replace("/", "\\"), "/qn")
        if out.returncode != 0:
            raise RuntimeError("the fix's patch was not applied: %r" % out.stderr[-2000:])

    @classmethod
    def tearDownClass(cls):
        for arguments in (("/x", PRODUCT_CODE, "/qn"), ("/i", "Z:" + PRODUCT_MSI.replace("/", "\\"), "/qn")):
            out = cls.wines_engine(*arguments)
            if out.returncode != 0:
                raise RuntimeError("msiexec %s failed: %r" % (arguments[0], out.stderr[-2000:]))

    def uninstall_line(self):
        return ('msiexec.exe /package ' + PRODUCT_CODE + ' '
                '/uninstall {A623E528-4926-4E76-92A1-A9220E993BE6} /lv+* "%sZEPPatchMSI.log" /qn INSTALLONREBOOT=1'
                % TRACE_ROOT)

    def test_uninstall_now_runs_the_engine_and_fails_with_its_exit_code(self):
        for code in (0, 3010):
            with self.subTest(code=code):
                engine.set_exit_code(code)
                remove_file(TRACE)
                remove_file(engine.folder + "\\msiexec.log")
                result = self.hf41("/when now /uninstall")
                self.assertEqual(result.code, 0, result.stdout)
                self.assertEqual(result.stdout, BANNER + CLOSING)
                self.assertEqual([(c.cmd, c.cwd) for c in engine.calls()], [(self.uninstall_line(), PATCHES)])
                self.assertOrder(["CPatchRunner::UninstallPrivatePachesNow: Run msiexec. CMD: " + self.uninstall_line(),
                                  "CPatchRunner::UninstallPrivatePachesNow: Patches uninstalled",
                                  "CPatchRunner::UninstallPrivatePachesNow: SUCCESS"])
                self.assertEqual(events(result.stderr), [])
        engine.set_exit_code(1603)
        remove_file(TRACE)
        result = self.hf41("/when now /uninstall")
        failures = [m for tag, m in records() if tag == "ERR" and m.startswith("CPatchRunner::UninstallPrivatePachesNow: ")]
        self.assertEqual(len(failures), 1, messages())
        self.assertFailed(result, failures[0])
        self.assertNotIn("Unknown error.", failures[0])
        self.assertEqual(result.stdout, BANNER + failures[0].encode())
        self.assertFalse(any(m in ("CPatchRunner::UninstallPrivatePachesNow: Patches uninstalled",
                                   "CPatchRunner::UninstallPrivatePachesNow: SUCCESS") for m in messages()))

    def test_uninstall_at_shutdown_registers_the_copy_and_writes_no_event(self):
        result = self.hf41("/uninstall")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(result.stdout, BANNER + CLOSING)
        self.assertEqual(registrations(), [(COPY, "/when now /uninstall  /clean ")])
        self.assertIn("CPatchRunner::RunPrivatePatch: Patches will be uninstalled when the operating system restarts.",
                      messages())
        self.assertEqual(events(result.stderr), [])
        self.assertIn("class=0x64E52DB8 id=0x0", self.service_journal())
        self.assertEqual(engine.calls(), [])


if __name__ == "__main__":
    unittest.main()
