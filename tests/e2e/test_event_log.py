"""Event log reports as Wine's event log channel shows them: the source's
registration, event types and identifiers, the message passed unchanged, and
the failure report with built-in and localized texts."""
import os
import re
import unittest

import wine

BUILD = os.environ["ZEP_BUILD_DIR"]
PROBE = os.path.join(BUILD, "tests", "wine", "service", "service_probe.exe")
wine.require_runnable(PROBE, os.environ["ZEP_WEXEC"])

PRODUCT = "C:\\Program Files\\Torvellan\\ZEP 8"
SOURCE_KEY = wine.HKLM + "\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Torvellan Event Log\\zep"
EVENT_TRACE = {"WINEDEBUG": "fixme+advapi,trace+eventlog,warn+eventlog"}
REPORT = re.compile(r"fixme:advapi:ReportEventW \((\w+),0x(\w{4}),0x(\w{4}),0x(\w{8}),(\w+),0x(\w{4}),0x(\w{8}),\w+,(\w+)\)")
TEXT = re.compile(r"(\w+):eventlog:ReportEventW (L\".*)")

prefix = None


def setUpModule():
    global prefix
    prefix = wine.Prefix()
    os.makedirs(prefix.host_path("C:\\work"), exist_ok=True)
    prefix.copy_in(PROBE, "C:\\tools")


def tearDownModule():
    prefix.destroy()


def environment(values):
    """Replaces the product environment key with these values (None: no key)."""
    prefix.reg_delete(wine.PRODUCT_ENV_KEY)
    prefix.reg_delete(SOURCE_KEY)
    if values is not None:
        body = "".join('"%s"="%s"\r\n' % (k, v.replace("\\", "\\\\")) for k, v in values.items())
        prefix.reg_import("[%s]\r\n%s" % (wine.PRODUCT_ENV_KEY, body))


def events(stderr):
    """Per ReportEventW call (type, category, id, string count, data size, raw
    data), the user SIDs passed, and the insertion strings as Wine shows them."""
    def pointer(text):
        return "null" if set(text) == {"0"} else "set"
    calls = [(m[1], m[2], m[3], m[5], m[6], pointer(m[7])) for m in REPORT.findall(stderr)]
    sids = {pointer(m[4]) for m in REPORT.findall(stderr)}
    return calls, sids, TEXT.findall(stderr)


class EventLog(unittest.TestCase):
    def run_probe(self, *steps):
        trace = prefix.host_path("C:\\work\\ZEPPatch.log")
        if os.path.exists(trace):
            os.remove(trace)
        # Without TraceRoot the trace file is the bare name in the current folder.
        return prefix.run("C:\\tools\\service_probe.exe", " ".join(steps), cwd="C:\\work", env=EVENT_TRACE)

    def trace(self):
        return (prefix.read_file("C:\\work\\ZEPPatch.log") or b"").decode("latin-1")

    def test_types_choose_the_identifier_and_the_message_is_passed_unchanged(self):
        environment({"ProductRoot": PRODUCT})
        result = self.run_probe('"report:4:Preparing\\nsecond line\\n"', "report:1:Bad", "report:2:Warn",
                                "report:16:Audit")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertEqual(prefix.reg_query(SOURCE_KEY, "EventMessageFile"), ("REG_EXPAND_SZ", PRODUCT + "\\bl.tsm"))
        calls, sids, texts = events(result.stderr)
        self.assertEqual(calls, [("0004", "0000", "40021237", "0001", "00000000", "null"),
                                 ("0001", "0000", "c0021234", "0001", "00000000", "null"),
                                 ("0002", "0000", "80021236", "0001", "00000000", "null"),
                                 ("0010", "0000", "c0021234", "0001", "00000000", "null")])
        self.assertEqual(sids, {"null"})
        self.assertEqual(texts, [("trace", 'L"Preparing\\nsecond line\\n"'), ("err", 'L"Bad"'),
                                 ("warn", 'L"Warn"'), ("trace", 'L"Audit"')])
        self.assertEqual(result.stderr.count('RegisterEventSourceW ((null),L"zep")'), 4)
        self.assertEqual(result.stderr.count("DeregisterEventSource"), 4)
        self.assertNotIn("\tERR\t", self.trace())

    def test_without_environment_key_no_event_is_written_and_every_report_says_so(self):
        environment(None)
        result = self.run_probe("report:4:one", "report:1:two")
        self.assertEqual(result.code, 0, result.stdout)
        self.assertNotIn("ReportEventW", result.stderr)
        self.assertNotIn("RegisterEventSourceW", result.stderr)
        self.assertFalse(prefix.reg_key_exists(SOURCE_KEY))
        errors = re.findall(r"\tERR\tpatch\t([^\r]*)", self.trace())
        self.assertEqual(len(errors), 3, errors)
        self.assertTrue(errors[0].startswith("CEventLog::CEventLogRegQueryStrValue: "), errors[0])
        self.assertEqual(errors[1:], ["CEventLog::Report: Message provider not registered"] * 2)

    def test_failure_report_with_built_in_and_localized_texts(self):
        environment({"ProductRoot": PRODUCT, "Skin": "%ProductRoot%\\skin", "Localization": "fr"})
        result = self.run_probe("failure-report")
        calls, _, texts = events(result.stderr)
        self.assertEqual([c[:3] for c in calls], [("0001", "0000", "c0021234")])
        self.assertEqual(texts, [("err", 'L"Patch version: hf41\\nCannot install patches.\\n"')])
        self.assertIn("CEventMessage::CEventMessage: Localization file path = " + PRODUCT + "\\skin\\loc\\fr\\patcher.loc",
                      self.trace())

        prefix.write_file(PRODUCT + "\\skin\\loc\\fr\\patcher.loc",
                          "[PatchMessages]\r\nVersion=Version du correctif :\r\nInstallFail=Impossible d'installer\r\n")
        result = self.run_probe("failure-report")
        _, _, texts = events(result.stderr)
        self.assertEqual(texts, [("err", 'L"Version du correctif : hf41\\nImpossible d\'installer.\\n"')])


if __name__ == "__main__":
    unittest.main()
