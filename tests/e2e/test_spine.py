"""The patcher's spine run for real under Wine: help, single instance, trace file."""
import os
import re
import time
import unittest

import wine
from patcher_texts import BANNER, HELP

HF41 = os.environ["ZEP_HF41"]
HOLDER = os.environ["ZEP_HOLDER"]
wine.require_runnable(HF41, os.environ["ZEP_WEXEC"])
MUTEX = r"Global\PATCHER_342DA671-C61E-4fc0-A313-FA0AE83DD7CF"
HEADER = b"\r\n===ZEP Patcher trace file===\r\n"
RECORD = re.compile(rb"\r\n(\d\d:\d\d:\d\d\.\d{3})\t([0-9a-f]{3,})\t([A-Z]{3}|-?\d+)\tpatch\t")
EVENT_TRACE = {"WINEDEBUG": "fixme+advapi,trace+eventlog"}


def records(trace):
    """Messages of the trace records, in order (header lines are not records)."""
    parts = RECORD.split(trace.replace(HEADER, b""))
    return [(parts[i + 2].decode(), parts[i + 3].decode("latin-1")) for i in range(1, len(parts) - 1, 4)]


class Sandbox(unittest.TestCase):
    """A fresh prefix with the patcher at C:\\ZEP and its trace folder C:\\Trace\\."""

    trace_root = "C:\\Trace\\"

    def setUp(self):
        self.prefix = wine.Prefix()
        self.addCleanup(self.prefix.destroy)
        self.exe = self.prefix.copy_in(HF41, "C:\\ZEP")
        if self.trace_root is not None:
            os.makedirs(self.prefix.host_path("C:\\Trace"), exist_ok=True)
            self.prefix.reg_set(wine.PRODUCT_ENV_KEY, "TraceRoot", self.trace_root)

    def trace(self, path="C:\\Trace\\ZEPPatch.log"):
        return self.prefix.read_file(path) or b""


class HelpPath(Sandbox):
    def test_help_in_any_case_and_with_other_switches(self):
        for args in ["/help", "/HELP", "/Help /when now", "/?"]:
            with self.subTest(args=args):
                result = self.prefix.run(self.exe, args, env=EVENT_TRACE)
                self.assertEqual(result.code, 0)
                self.assertEqual(result.stdout, BANNER + HELP)
                self.assertNotIn("ReportEvent", result.stderr)
        trace = self.trace()
        self.assertEqual(trace.count(HEADER), 4)
        messages = [m for _, m in records(trace)]
        self.assertEqual(messages.count("Start ZEP Patch hf41"), 4)
        self.assertIn("Parse CMD line: /Help /when now", messages)
        self.assertNotIn("Finish ZEP Patch successfully", messages)
        self.assertFalse(any("CUsingORX" in m for m in messages))
        # The test driver is a console program: the console is taken already,
        # and the text reaches the inherited standard output.
        self.assertIn("COutToParentConsole::COutToParentConsole: Parent console already used.", messages)


    def test_help_without_a_parent_console_warns_and_still_reaches_standard_output(self):
        # Started by the Wine loader itself, with no Windows process above it:
        # there is no parent console to attach to.
        import subprocess
        program = self.prefix.host_path(self.exe)
        loader = wine.WINE64 if wine.is_pe32_plus(program) else wine.WINE32
        result = subprocess.run([loader, program, "/help"], env=self.prefix.env(), stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, BANNER + HELP)
        lines = [(tag, m) for tag, m in records(self.trace()) if m.startswith("COutToParentConsole::")]
        self.assertEqual(len(lines), 1, lines)
        tag, message = lines[0]
        match = re.fullmatch(r"COutToParentConsole::COutToParentConsole: Cann't attach to parent console\. "
                             r"Error code: (\d+)", message)
        self.assertIsNotNone(match, message)
        self.assertEqual(tag, "WRN")
        self.assertNotEqual(match.group(1), "5")


class SingleInstance(Sandbox):
    def test_second_patcher_exits_silently_while_the_mutex_is_held(self):
        holder = self.prefix.copy_in(HOLDER, "C:\\tools")
        ready, stop = "C:\\tools\\ready", "C:\\tools\\stop"
        import subprocess
        proc = subprocess.Popen([wine.WINE64, self.prefix.host_path(holder), "mutex", MUTEX, ready, stop],
                                env=self.prefix.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.time() + 60
            while self.prefix.read_file(ready) is None and time.time() < deadline:
                time.sleep(0.1)
            self.assertIsNotNone(self.prefix.read_file(ready), "the holder never took the mutex")
            result = self.prefix.run(self.exe, "/help")
        finally:
            self.prefix.write_file(stop, b"")
            proc.wait(timeout=60)
        self.assertEqual(result.code, 0)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(records(self.trace()), [("NTF", "PatchAlreadyRunning: HF or PatchManager already running.")])


class TraceFile(Sandbox):
    def test_two_runs_leave_two_headers_each_followed_by_its_lines(self):
        self.prefix.run(self.exe, "/help")
        self.prefix.run(self.exe, "/?")
        trace = self.trace()
        self.assertTrue(trace.startswith(HEADER + b"\r\n"))
        second = trace.index(HEADER, 1)
        self.assertIn(b"Parse CMD line: /help", trace[:second])
        self.assertIn(b"Parse CMD line: /?", trace[second:])
        self.assertNotIn(b"\n\n", trace.replace(b"\r\n", b"\n").replace(HEADER.replace(b"\r\n", b"\n"), b""))

    def test_records_carry_tags_thread_and_latin1_text(self):
        self.prefix.run(self.exe, "/help C:\\Caf\u00e9\\\u0416")
        trace = self.trace()
        self.assertIn(b"\tNTF\tpatch\tParse CMD line: /help C:\\Caf\xe9\\?", trace)
        self.assertIn(b"\tNTF\tpatch\tCOutToParentConsole::COutToParentConsole: Parent console already used.", trace)
        self.assertNotIn(b"\r\r\n", trace)


class TraceRootWithoutBackslash(Sandbox):
    trace_root = "C:\\Trace"

    def test_folder_and_file_name_are_joined_as_they_stand(self):
        self.prefix.run(self.exe, "/help")
        self.assertIsNone(self.prefix.read_file("C:\\Trace\\ZEPPatch.log"))
        self.assertIn(b"Start ZEP Patch hf41", self.prefix.read_file("C:\\TraceZEPPatch.log"))


class NoTraceRoot(Sandbox):
    trace_root = None

    def test_trace_goes_to_the_bare_name_in_the_current_folder(self):
        os.makedirs(self.prefix.host_path("C:\\work"), exist_ok=True)
        self.prefix.run(self.exe, "/help", cwd="C:\\work")
        self.assertIn(b"Start ZEP Patch hf41", self.prefix.read_file("C:\\work\\ZEPPatch.log"))


class WithoutProduct(Sandbox):
    def test_a_run_without_the_product_fails_with_the_event_and_exit_1(self):
        result = self.prefix.run(self.exe, "/when now", env=EVENT_TRACE)
        self.assertEqual(result.code, 1)
        # No ProductRoot: the product service link cannot enter the product folder.
        self.assertTrue(result.stdout.startswith(BANNER + b"CUsingORX::CUsingORX: "), result.stdout)
        self.assertNotIn(b"successfully installed", result.stdout)
        self.assertNotIn(b"Finish ZEP Patch successfully", self.trace())
        # The event source lives in the product's key too: the failure event
        # is attempted, and the reporter says why it could not be written.
        self.assertNotIn("ReportEventW", result.stderr)
        self.assertIn(b"\tERR\tpatch\tCEventLog::Report: Message provider not registered", self.trace())


if __name__ == "__main__":
    unittest.main()
