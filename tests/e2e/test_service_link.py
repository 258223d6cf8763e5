"""The product service link in a real process under Wine: which framework
library is loaded, what the service learns about the process, the real
waits between tries, and the failure path without a usable library."""
import os
import re
import subprocess
import time
import unittest

import wine

BUILD = os.environ["ZEP_BUILD_DIR"]
PROBE = os.path.join(BUILD, "tests", "wine", "service", "service_probe.exe")
FAST_PROBE = os.path.join(BUILD, "tests", "wine", "service", "service_probe_fast.exe")
TSREMOTE = os.path.join(BUILD, "testenv", "tsremote", "tsremote.dll")
TSREMOTE_WITHOUT_GETAPI = os.path.join(BUILD, "testenv", "tsremote", "nogetapi", "tsremote.dll")
TSSTUB = os.path.join(BUILD, "testenv", "tsstub", "tsstub.tsm")
ORX = os.path.join(BUILD, "testenv", "orx", "orx.exe")
wine.require_runnable(PROBE, os.environ["ZEP_WEXEC"])

PRODUCT = "C:\\Program Files\\Torvellan\\ZEP 8\\"
TOOLS = "C:\\tools\\"
TRACE = "C:\\Trace\\ZEPPatch.log"
RECORD = re.compile(r"\r\n(\d\d):(\d\d):(\d\d)\.(\d{3})\t[0-9a-f]+\t(\w+)\tpatch\t([^\r]*)")

prefix = None


def setUpModule():
    global prefix
    prefix = wine.Prefix()
    prefix.reg_import('[%s]\r\n"ProductRoot"="%s"\r\n"TraceRoot"="C:\\\\Trace\\\\"\r\n'
                      % (wine.PRODUCT_ENV_KEY, PRODUCT.replace("\\", "\\\\")))
    os.makedirs(prefix.host_path("C:\\Trace"), exist_ok=True)
    for stand_in in (TSSTUB, ORX):
        prefix.copy_in(stand_in, PRODUCT)
    for probe in (PROBE, FAST_PROBE):
        prefix.copy_in(probe, TOOLS)


def tearDownModule():
    prefix.destroy()


def remove(win_path):
    path = prefix.host_path(win_path)
    if os.path.exists(path):
        os.remove(path)


def trace_records():
    """(milliseconds of the day, tag, message) of every trace record."""
    text = (prefix.read_file(TRACE) or b"").decode("latin-1")
    return [((int(h) * 3600 + int(m) * 60 + int(s)) * 1000 + int(ms), tag, message)
            for h, m, s, ms, tag, message in RECORD.findall(text)]


def journal():
    """tessel.log without the writers' process ids, and the raw lines."""
    raw = (prefix.read_file(PRODUCT + "tessel.log") or b"").decode().splitlines()
    return [re.sub(r"^(\w+)\[\d+\] ", r"\1 ", line) for line in raw], raw


class ServiceLink(unittest.TestCase):
    def setUp(self):
        for name in ("tsremote.dll", "tessel.log", "tessel.ini"):
            remove(PRODUCT + name)
        remove(TOOLS + "tsremote.dll")
        remove(TRACE)

    def tearDown(self):
        # A service a failed scenario left behind must not serve the next one.
        prefix._exec([wine.WINE64, "taskkill", "/F", "/IM", "orx.exe"])

    def probe(self, program, *steps):
        return prefix.run(TOOLS + os.path.basename(program), " ".join(steps))

    def wait_for_journal(self, line, seconds=20):
        deadline = time.time() + seconds
        while line not in journal()[0] and time.time() < deadline:
            time.sleep(0.2)
        return journal()[0]

    def test_run_announces_this_process_and_stops_the_service_it_started(self):
        prefix.copy_in(TSREMOTE, PRODUCT)
        result = self.probe(FAST_PROBE, "pid", "connect", "register", "reboot", "release")
        self.assertEqual(result.code, 0, result.stdout)
        lines = result.stdout.decode().split("\r\n")
        pid = int(lines[0].split()[1])
        self.assertEqual(lines[1:-1], ["wait 1000"] * 30)
        entries = self.wait_for_journal("orx end reason=stop")
        _, raw = journal()
        self.assertIn("tsremote[%d] record type=0x229000 based=1 any=1 size=12 base=1 pid=%d" % (pid, pid), raw)
        self.assertIn("tsremote TSGetAPI module=%stsremote.dll -> 0x00000000" % PRODUCT, entries)
        order = ["orx start image=orx.exe args=-s",
                 "tsremote tsSendMsg proxy=live class=0xAE5E2EA3 id=0x1002 object=null buffer=set size=record"
                 " -> 0x00000000",
                 "tsremote tsSendMsg proxy=live class=0x64E52DB8 id=0x0 object=null buffer=null size=null -> 0x00000000",
                 "tsremote tsSendMsg proxy=live class=0x2937151D id=0xC1D5EFA5 object=null buffer=null size=null"
                 " -> 0x00000000",
                 "tsremote proxy3 proxy=live flags=0 -> 0x00000000"]
        self.assertEqual([e for e in entries if e in order], order)
        self.assertIn("orx end reason=stop", entries)
        messages = [m for _, _, m in trace_records()]
        self.assertIn("CUsingORX::CUsingORX: ProductFolder: " + PRODUCT, messages)
        self.assertIn("CUsingORX::StopORXIfNeed: Stop ORX service.", messages)
        self.assertEqual(messages[-1], "CUsingORX::~CUsingORX: Free Tessel.")

    def test_library_comes_from_the_product_folder_never_from_beside_the_program(self):
        # A copy beside the program (say, in a download folder) is planted,
        # not the product's: it is never loaded.
        prefix.copy_in(TSREMOTE, PRODUCT)
        prefix.copy_in(TSREMOTE, TOOLS)
        result = self.probe(FAST_PROBE, "connect", "release")
        self.assertEqual(result.code, 0, result.stdout)
        entries, _ = journal()
        self.assertIn("tsremote loaded module=%stsremote.dll getapi=yes" % PRODUCT, entries)
        self.assertIn("tsremote TSGetAPI module=%stsremote.dll -> 0x00000000" % PRODUCT, entries)
        self.assertFalse(any(TOOLS + "tsremote.dll" in e for e in entries))

    def test_library_only_beside_the_program_is_not_loaded(self):
        prefix.copy_in(TSREMOTE, TOOLS)
        result = self.probe(FAST_PROBE, "connect")
        self.assertEqual(result.code, 1)
        self.assertEqual(journal()[0], [])
        records = [(tag, m) for _, tag, m in trace_records()]
        self.assertEqual(records.count(("ERR", "CUsingORX::CUsingORX: LoadProxyStub error 0x800001c1.")), 3)

    def test_library_without_getapi_ends_every_try_at_the_proxy_stub(self):
        prefix.copy_in(TSREMOTE_WITHOUT_GETAPI, PRODUCT)
        result = self.probe(FAST_PROBE, "connect")
        self.assertEqual(result.code, 1)
        self.assertEqual(result.stdout.decode().split("\r\n"),
                         ["wait 5000", "wait 5000", "failure: CUsingORX::CUsingORX: LoadProxyStub error.", ""])
        entries, _ = journal()
        # Loaded, but nothing called through the empty table.
        self.assertEqual(entries, ["tsremote loaded module=%stsremote.dll getapi=no" % PRODUCT])
        records = [(tag, m) for _, tag, m in trace_records()]
        self.assertEqual(records.count(("ERR", "CUsingORX::CUsingORX: LoadProxyStub error 0x8000006b.")), 3)
        self.assertEqual(records.count(("NTF", "CUsingORX::StopORXIfNeed: Stop ORX service.")), 3)

    def test_without_an_api_table_a_running_service_is_still_seen(self):
        # The check needs no framework; only the start would.
        orx = subprocess.Popen([wine.WINE64, prefix.host_path(PRODUCT + "orx.exe")], env=prefix.env(),
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(orx.wait, 30)
        self.assertIn("orx start image=orx.exe args=", self.wait_for_journal("orx start image=orx.exe args="))
        result = self.probe(FAST_PROBE, "connect")
        self.assertEqual(result.code, 1)
        self.assertEqual(result.stdout.decode().split("\r\n"),
                         ["wait 5000", "wait 5000", "failure: CUsingORX::CUsingORX: LoadProxyStub error.", ""])
        tags = [(tag, m) for _, tag, m in trace_records()]
        self.assertEqual(tags.count(("NTF", "CUsingORX::CUsingORX: ORX running.")), 3)
        self.assertEqual(tags.count(("ERR", "CUsingORX::CUsingORX: LoadProxyStub error 0x800001c1.")), 3)
        self.assertFalse(any("no framework API" in m for _, m in tags), tags)
        # Nothing started it, so nothing tries to.
        self.assertEqual([e for e in journal()[0] if e.startswith("orx start")], ["orx start image=orx.exe args="])

    def test_missing_library_fails_three_tries_five_seconds_apart(self):
        # The product build of the class: the waits are real.
        result = self.probe(PROBE, "connect")
        self.assertEqual(result.code, 1)
        self.assertEqual(result.stdout, b"failure: CUsingORX::CUsingORX: LoadProxyStub error.\r\n")
        self.assertIsNone(prefix.read_file(PRODUCT + "tessel.log"))
        records = trace_records()
        tags = [(tag, m) for _, tag, m in records]
        self.assertEqual(tags.count(("ERR", "CUsingORX::CUsingORX: LoadProxyStub error 0x800001c1.")), 3)
        self.assertEqual(tags.count(("WRN", "CUsingORX::CUsingORX: no framework API (status 0x800001c1), "
                                            "ORX service not checked.")), 3)
        self.assertEqual(tags[-1], ("NTF", "CUsingORX::CUsingORX: Free Tessel."))
        waits = [i for i, (_, _, m) in enumerate(records) if m == "CUsingORX::CUsingORX: Wait before next try."]
        self.assertEqual(len(waits), 2)
        for at in waits:
            self.assertRegex(records[at + 1][2], r"^CUsingORX::CUsingORX: the [23] try\.$")
            # The next try begins no earlier than five seconds later (the
            # clock's resolution aside).
            self.assertGreaterEqual(records[at + 1][0] - records[at][0], 4990)


if __name__ == "__main__":
    unittest.main()
