"""The shipped i686 hf41.exe and patch.dll (build/win32) run as a whole under
Wine: in a 64-bit prefix through WOW64, and in a 32-bit prefix when one is
asked for. scripts/pe32-check runs this module, natively where the kernel
executes 32-bit code, else with a private qemu-i386 registration.

Every run keeps the engine log, the trace file and Wine's output under
ZEP_PE32_ARTIFACTS, whatever its outcome; each step's time is printed.
"""
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))

import wine  # noqa: E402
from patcher_texts import AT_RESTART, BANNER, CLOSING, HELP, fix_files  # noqa: E402
from standin_msi import install_standin_msi  # noqa: E402

PATCH_GUID = "{A623E528-4926-4E76-92A1-A9220E993BE6}"
PRODUCT_CODE = "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}"
HKLM = wine.HKLM
# A 32-bit process on 64-bit Windows sees HKLM\Software through this key.
WOW_NODE = HKLM + r"\Software\Wow6432Node"
NATIVE_NODE = HKLM + r"\Software"
PRODUCT_KEY = r"\TorvellanLab\protected\ZEP8"
SHUTDOWN_STATE = r"\Microsoft\Windows\CurrentVersion\Group Policy\State\Machine\Scripts\Shutdown"
SHUTDOWN_POLICY = r"\Microsoft\Windows\CurrentVersion\Group Policy\Scripts\Shutdown"
SCRIPTS_INI = "\\GroupPolicy\\Machine\\Scripts\\scripts.ini"

DOWNLOAD = "C:\\Download"
SETUP = "C:\\setup"
INSTALLED_NOW = b"Preparing for installation of patches.Patches installed successfully."
HEADER = b"\r\n===ZEP Patcher trace file===\r\n"
GUARD_ON = "CWow64FsRedirectionDisabler::CWow64FsRedirectionDisabler: FS WOW64 redirection disabled "
GUARD_OFF = "CWow64FsRedirectionDisabler::~CWow64FsRedirectionDisabler: FS WOW64 redirection enabled "

REQUIRED = ["ZEP_BUILD_DIR", "ZEP_HF41", "ZEP_WEXEC32", "ZEP_PATCHQUERY", "ZEP_KEY_REGISTRIES",
            "ZEP_PRODUCT_MSI_X86", "ZEP_PRODUCT_MSI_X64", "ZEP_PACKAGE_X86", "ZEP_PACKAGE_X64",
            "ZEP_FIX_FILES", "ZEP_PE32_ARTIFACTS"]
if __name__ == "__main__" and any(not os.environ.get(name) for name in REQUIRED):
    print("SKIPPED: run through scripts/pe32-check, which names the build's programs and packages")
    sys.exit(77)


# -- timings and artifacts ----------------------------------------------------
TIMINGS = []


def timed(step, function, *args, **kwargs):
    start = time.monotonic()
    try:
        return function(*args, **kwargs)
    finally:
        seconds = time.monotonic() - start
        TIMINGS.append((step, seconds))
        print("timing: %-52s %7.1f s" % (step, seconds), flush=True)


def artifact_dir(name):
    path = os.path.join(os.environ["ZEP_PE32_ARTIFACTS"], name)
    os.makedirs(path, exist_ok=True)
    return path


def keep(name, filename, data):
    """Stores one artifact of a run; absent data is recorded as such."""
    with open(os.path.join(artifact_dir(name), filename), "wb") as f:
        f.write(data if data is not None else b"(absent)\n")


def text_of(data):
    data = data or b""
    return data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("latin-1")


def trace_messages(trace):
    """The message part of each trace record, in order."""
    out = []
    for line in (trace or b"").replace(HEADER, b"").split(b"\r\n"):
        fields = line.split(b"\t", 4)
        if len(fields) == 5 and fields[3] == b"patch":
            out.append(fields[4].decode("latin-1"))
    return out


def engine_failure(log_text):
    """The actions the engine log reports as failed, with the lines around
    the first failure: what a failed apply is diagnosed from."""
    lines = log_text.splitlines()
    failed = [i for i, line in enumerate(lines) if "Return value 3" in line or "error" in line.lower()]
    if not failed:
        return ""
    first = failed[0]
    return "\n".join(lines[max(0, first - 15):first + 3])


def action_time(arch, log_text, action="RegisterHotfixesInfo"):
    """Records how long the engine log says the custom action took (the log
    has whole seconds)."""
    stamps = re.findall(r"^Action (?:start|ended) (\d+):(\d\d):(\d\d): %s\." % action, log_text, re.M)
    if len(stamps) >= 2:
        first, last = [int(h) * 3600 + int(m) * 60 + int(s) for h, m, s in (stamps[0], stamps[-1])]
        seconds = (last - first) % 86400
        TIMINGS.append(("%s: engine: %s (i686 patch.dll)" % (arch, action), seconds))
        print("timing: %-52s %7.1f s (engine log, whole seconds)" % ("%s: engine: %s" % (arch, action), seconds))



def read(path):
    with open(path, "rb") as f:
        return f.read()


# -- the machines ---------------------------------------------------------------
def Prefix64():
    """A 64-bit prefix for the 32-bit patcher; keys are named in full in
    either view, so the registry is addressed through the 64-bit one."""
    return wine.Prefix("win64", view=64, bits=32)


class Prefix32(wine.Prefix):
    """A WINEARCH=win32 prefix: only the 32-bit loader runs in it."""

    def __init__(self):
        super().__init__("win32")

    def _reg(self, *args, check=True):
        out = self._exec([wine.WINE32, "reg"] + list(args))
        out.stdout = out.stdout.decode(errors="replace")
        out.stderr = out.stderr.decode(errors="replace")
        if check and out.returncode != 0:
            raise RuntimeError("reg %s failed: %s %s" % (args, out.stdout, out.stderr))
        return out

    def reg_import(self, text):
        raise NotImplementedError("not needed in the 32-bit prefix")


class Machine:
    """A prefix with ZEP 8 installed by Wine's msiexec from its package, the
    product's service stand-ins and key registries (all i686 programs of the
    build), and hf41.exe in a download folder."""

    def __init__(self, arch):
        self.arch = arch
        self.view = WOW_NODE if arch == "win64" else NATIVE_NODE
        build = os.environ["ZEP_BUILD_DIR"]
        # In a 64-bit prefix the test driver, the engine query and the
        # service stand-in are the x86-64 builds when there are any, so that
        # only the programs under test are 32-bit: under emulation each
        # 32-bit process costs about a minute of processor time.
        self.wexec = self.helper("ZEP_WEXEC64", "ZEP_WEXEC32")
        self.patchquery = self.helper("ZEP_PATCHQUERY64", "ZEP_PATCHQUERY")
        self.orx = self.helper("ZEP_ORX64", None) or os.path.join(build, "testenv", "orx", "orx.exe")
        os.environ["ZEP_WEXEC"] = self.wexec
        self.prefix = timed("%s: prefix (clone, start)" % arch, Prefix32 if arch == "win32" else Prefix64)
        try:
            msi = self.prefix.copy_in(os.environ["ZEP_PRODUCT_MSI_X64" if arch == "win64" else "ZEP_PRODUCT_MSI_X86"],
                                      SETUP)
            result = timed("%s: product install (msiexec /i)" % arch, self.prefix.run,
                           "C:\\windows\\system32\\msiexec.exe", '/i "%s" /qn' % msi)
            if result.code != 0:
                raise RuntimeError("msiexec /i of the stand-in product ended with %d" % result.code)
            env = self.view + PRODUCT_KEY + r"\environment"
            self.product_root = self.value(env, "ProductRoot").rstrip("\\") + "\\"
            # The patcher appends its file names to TraceRoot as it stands;
            # the product writes it ending in a backslash.
            self.trace_root = self.value(env, "TraceRoot").rstrip("\\") + "\\"
            self.prefix.reg_set(env, "TraceRoot", self.trace_root)
            os.makedirs(self.prefix.host_path(self.trace_root), exist_ok=True)
            for stand_in in (("tsremote", "tsremote.dll"), ("tsstub", "tsstub.tsm")):
                self.prefix.copy_in(os.path.join(build, "testenv", *stand_in), self.product_root)
            self.prefix.copy_in(self.orx, self.product_root)
            # The stand-in ends itself after two minutes unless told
            # otherwise; an emulated run takes longer than that, and the
            # patcher would find the service gone half-way and start it anew.
            self.prefix.write_file(self.product_root + "tessel.ini", "[orx]\r\nlifetime_ms=3600000\r\n")
            for name in ("tl.pbv", "oper.pbv"):
                self.prefix.copy_in(os.path.join(os.environ["ZEP_KEY_REGISTRIES"], name), self.product_root)
            self.exe = self.prefix.copy_in(os.environ["ZEP_HF41"], DOWNLOAD)
            # The patcher loads msi.dll from its system folder only.
            install_standin_msi(self.prefix, "hf41.exe", build)
        except BaseException:
            self.prefix.destroy()
            raise

    def helper(self, name64, name32):
        path = os.environ.get(name64) if self.arch == "win64" else None
        if path and os.path.exists(path):
            return path
        return os.environ.get(name32) if name32 else None

    def value(self, key, name):
        found = self.prefix.reg_query(key, name)
        return found[1] if found else None

    @property
    def patches_dir(self):
        return self.product_root + "Patches"

    @property
    def trace_path(self):
        return self.trace_root + "ZEPPatch.log"

    @property
    def engine_log(self):
        return self.trace_root + "ZEPPatchMSI.log"

    def hf41(self, step, args, artifact):
        """Runs hf41.exe and keeps what the run left behind."""
        for path in (self.trace_path, self.engine_log):
            if os.path.exists(self.prefix.host_path(path)):
                os.remove(self.prefix.host_path(path))
        # Wine's own error lines and the RPC warnings of the engine and its
        # custom-action process go to the artifacts: a failed apply is
        # diagnosed from them together with the engine log.
        env = {"WINEDEBUG": os.environ.get("ZEP_PE32_WINEDEBUG", "fixme-all,err+all,warn+rpc")}
        result = None
        try:
            timed("%s: service stand-in start (orx.exe)" % self.arch, self.start_service)
            result = timed("%s: hf41 %s" % (self.arch, step), self.prefix.run, self.exe, args,
                           cwd=DOWNLOAD, env=env, timeout=1200)
            return result
        finally:
            # A service stand-in left running must not serve the next run.
            self.prefix._exec([wine.WINE64 if self.arch == "win64" else wine.WINE32, "taskkill", "/F", "/IM", "orx.exe"])
            if getattr(self, "_service", None) is not None:
                try:
                    self._service.wait(timeout=120)
                except subprocess.TimeoutExpired:
                    self._service.kill()
                self._service = None
            keep(artifact, "ZEPPatch.log", self.prefix.read_file(self.trace_path))
            keep(artifact, "ZEPPatchMSI.log", self.prefix.read_file(self.engine_log))
            if result is not None:
                keep(artifact, "stdout.txt", result.stdout)
                keep(artifact, "wine-stderr.txt", result.stderr.encode())
                keep(artifact, "exit-code.txt", b"%d\n" % result.code)

    def start_service(self):
        """Starts the product's service as the machine has it running, and
        waits until its start is in the stand-ins' journal."""
        journal = self.product_root + "tessel.log"
        started = b"start image=orx.exe"
        before = (self.prefix.read_file(journal) or b"").count(started)
        loader = wine.WINE64 if wine.is_pe32_plus(self.orx) else wine.WINE32
        self._service = subprocess.Popen([loader, self.prefix.host_path(self.product_root + "orx.exe"), "-s"],
                                         env=self.prefix.env(), stdin=subprocess.DEVNULL,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 600
        while (self.prefix.read_file(journal) or b"").count(started) == before:
            if time.monotonic() > deadline or self._service.poll() is not None:
                raise RuntimeError("the service stand-in did not start")
            time.sleep(0.2)

    def patches(self):
        query = self.prefix.copy_in(self.patchquery, SETUP)
        result = timed("%s: engine query (patchquery)" % self.arch, self.prefix.run, query, PRODUCT_CODE)
        if result.code != 0:
            raise RuntimeError("patchquery failed: %s" % result.stderr)
        return result.stdout.decode().split()

    def product_file(self, key):
        return self.prefix.read_file(self.product_root + key)


def run_number():
    return os.environ.get("ZEP_PE32_RUN", "1")


def assert_service_was_up(test, messages):
    """The run found the product's service running, as the scenario has it."""
    test.assertIn("CUsingORX::CUsingORX: ORX running.", messages)
    test.assertNotIn("CUsingORX::CUsingORX: Start ORX service.", messages)


class InstallNowOnTheEngine:
    """hf41 /when now of the i686 build on Wine's engine: the embedded package
    for this processor extracted and verified, applied by Wine's msiexec, the
    i686 patch.dll run by the engine records the fix, the state file says
    installed. Mixed into a TestCase that sets `machine`, `package_env`."""

    def check_install_now(self):
        machine = self.machine
        artifact = "%s-when-now-run%s" % (machine.arch, run_number())
        for key, content in fix_files():
            self.assertNotEqual(machine.product_file(key), content, "the base product already has the fix")
        result = machine.hf41("/when now", "/when now", artifact)
        log = text_of(machine.prefix.read_file(machine.engine_log))
        action_time(machine.arch, log)
        wine_errors = "\n".join(line for line in result.stderr.splitlines()
                                if (":err:" in line and "mscoree" not in line) or "Unhandled exception" in line)
        self.assertEqual(result.code, 0, "hf41 ended with %d: %s\nengine log:\n%s\nWine's errors:\n%s"
                         % (result.code, result.stdout.decode(errors="replace"), engine_failure(log), wine_errors))
        self.assertEqual(result.stdout, BANNER + INSTALLED_NOW + CLOSING)

        # The package written out is the one built for this processor,
        # byte for byte, and it passed the signature check.
        self.assertNotEqual(read(os.environ["ZEP_PACKAGE_X86"]), read(os.environ["ZEP_PACKAGE_X64"]))
        applied = machine.prefix.read_file(machine.patches_dir + "\\hf41.msp")
        self.assertEqual(applied, read(os.environ[self.package_env]), "not the package for this processor")
        messages = trace_messages(machine.prefix.read_file(machine.trace_path))
        self.assertFalse(any("MSP-patch not signed" in m for m in messages), messages)
        self.assertIn("CPatchRunner::ApplyPrivatePachesNow: Patches applied", messages)
        assert_service_was_up(self, messages)

        self.assertIn(PATCH_GUID, machine.patches())
        for key, content in fix_files():
            self.assertEqual(machine.product_file(key), content, key)
        self.assertEqual(machine.value(machine.view + PRODUCT_KEY + r"\Data", "ProductHotfix"), "hf41")
        ca_lines = [line for line in log.splitlines() if line.startswith("RegisterHotfixesInfo:  ")]
        self.assertIn("RegisterHotfixesInfo:  RegisterHotfixesInfo initialized.", ca_lines)
        self.assertTrue(any("ProductHotfix, hf41" in line for line in ca_lines), ca_lines)
        state = text_of(machine.prefix.read_file(machine.patches_dir + "\\Patches.ini")).replace("\r", "")
        self.assertRegex(state, r"(?mi)^\{A623E528-4926-4E76-92A1-A9220E993BE6\}\s*=\s*installed$")
        return log


class Wow64(unittest.TestCase, InstallNowOnTheEngine):
    """The i686 build in a 64-bit prefix, through WOW64. One machine for the
    three scenarios, run in this order; each starts from no patcher state."""

    package_env = "ZEP_PACKAGE_X64"

    @classmethod
    def setUpClass(cls):
        cls.machine = Machine("win64")

    @classmethod
    def tearDownClass(cls):
        cls.machine.prefix.destroy()

    def registration_keys(self):
        return [node + key for node in (WOW_NODE, NATIVE_NODE) for key in (SHUTDOWN_STATE, SHUTDOWN_POLICY)]

    def setUp(self):
        m = self.machine
        shutil.rmtree(m.prefix.host_path(m.patches_dir), ignore_errors=True)
        for key in self.registration_keys():
            m.prefix.reg_delete(key)
        for folder in ("system32", "syswow64"):
            path = m.prefix.host_path("C:\\windows\\" + folder + SCRIPTS_INI)
            if os.path.exists(path):
                os.remove(path)

    def test_1_help_byte_for_byte(self):
        result = timed("win64: hf41 /help", self.machine.prefix.run, self.machine.exe, "/help", cwd=DOWNLOAD)
        self.assertEqual(result.code, 0)
        self.assertEqual(result.stdout, BANNER + HELP)

    def test_2_install_at_shutdown_through_the_wow64_guard(self):
        m = self.machine
        result = m.hf41("/when reboot", "/when reboot", "win64-at-shutdown-run%s" % run_number())
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(result.stdout, BANNER + AT_RESTART + CLOSING)
        copy = m.patches_dir + "\\Private\\hf41.exe"
        self.assertEqual(m.prefix.read_file(copy), read(os.environ["ZEP_HF41"]))

        # The registration lands in the registry view a 32-bit process
        # writes, for the state and the policy key alike.
        entry = WOW_NODE + SHUTDOWN_STATE + "\\0\\0"
        self.assertEqual(m.value(entry, "Script"), copy)
        self.assertEqual(m.value(entry, "Parameters"), "/when now /clean")  # reg drops the trailing blank
        self.assertEqual(m.value(WOW_NODE + SHUTDOWN_POLICY + "\\0\\0", "Script"), copy)
        # Whether the 64-bit view shows it too is the registry's sharing rule
        # for this key, not the patcher's choice: reported, not required.
        print("registration seen in the 64-bit view too: %s"
              % m.prefix.reg_key_exists(NATIVE_NODE + SHUTDOWN_STATE + "\\0\\0"))

        # scripts.ini reaches the real system folder, not the 32-bit one
        # WOW64 would redirect to.
        real = m.prefix.read_file("C:\\windows\\system32" + SCRIPTS_INI)
        self.assertIsNotNone(real, "scripts.ini is not in the real system folder")
        ini = text_of(real)
        self.assertIn("[Shutdown]", ini)
        self.assertIn("0CmdLine=" + copy + "\r\n", ini)
        self.assertIn("0Parameters=/when now /clean \r\n", ini)
        self.assertIsNone(m.prefix.read_file("C:\\windows\\syswow64" + SCRIPTS_INI), "written where WOW64 redirects")

        messages = trace_messages(m.prefix.read_file(m.trace_path))
        written = "CShutdownScript::UpdateScriptIni: write section Shutdown to C:\\windows\\system32" + SCRIPTS_INI
        for line in (GUARD_ON + "TRUE", written, GUARD_OFF + "TRUE"):
            self.assertIn(line, messages)
        self.assertNotIn(GUARD_ON + "FALSE", messages)
        assert_service_was_up(self, messages)
        # The file is written while the guard is on.
        self.assertLess(messages.index(GUARD_ON + "TRUE"), messages.index(written))
        self.assertLess(messages.index(written), messages.index(GUARD_OFF + "TRUE"))

    def test_3_install_now_on_wines_engine(self):
        self.check_install_now()
        self.assertIsNone(self.machine.value(NATIVE_NODE + PRODUCT_KEY + r"\Data", "ProductHotfix"),
                          "written to the view of a 64-bit component")


@unittest.skipUnless(os.environ.get("ZEP_PE32_WIN32_PREFIX") == "1",
                     "32-bit prefix not asked for (ZEP_PE32_WIN32_PREFIX=1)")
class Win32Windows(unittest.TestCase, InstallNowOnTheEngine):
    """The i686 build on 32-bit Windows: a WINEARCH=win32 prefix, package 101."""

    package_env = "ZEP_PACKAGE_X86"

    @classmethod
    def setUpClass(cls):
        cls.machine = Machine("win32")

    @classmethod
    def tearDownClass(cls):
        cls.machine.prefix.destroy()

    def test_install_now_on_wines_engine(self):
        self.check_install_now()


def print_timings():
    total = sum(seconds for step, seconds in TIMINGS if ": engine: " not in step)
    print("timing: %-52s %7.1f s" % ("all steps above", total))
    with open(os.path.join(os.environ["ZEP_PE32_ARTIFACTS"], "timings-run%s.txt" % run_number()), "w") as f:
        for step, seconds in TIMINGS:
            f.write("%s\t%.1f\n" % (step, seconds))


if __name__ == "__main__":
    program = unittest.main(module=__name__, argv=[sys.argv[0], "-v"] + sys.argv[1:], exit=False)
    print_timings()
    sys.exit(0 if program.result.wasSuccessful() else 1)
