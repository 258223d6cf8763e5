"""The test environment's stand-ins under Wine: the stand-in msiexec.exe and
the shutdown simulator, driven through registrations made by the patcher's
own CShutdownScript (scriptreg.exe), in both policy layouts."""
import os
import unittest

import wine
from msiexec_standin import MsiexecStandIn, standin_path
from shutdown_sim import registration, simulate_shutdown

wine.require_runnable(os.environ["ZEP_WEXEC"], standin_path())

HKLM = wine.HKLM
STATE = HKLM + r"\SOFTWARE\Microsoft\Windows\CurrentVersion\Group Policy\State\Machine\Scripts\Shutdown"
NEWER = HKLM + r"\SOFTWARE\Microsoft\Windows\CurrentVersion\Group Policy\Scripts\Shutdown"
OLDER = HKLM + r"\SOFTWARE\Policies\Microsoft\Windows\System\Scripts\Shutdown"
PRODUCT = "C:\\Program Files\\ZEP 8"
SCRIPTS_INI = "C:\\windows\\system32\\GroupPolicy\\Machine\\Scripts\\scripts.ini"


class StandInMsiexec(unittest.TestCase):
    def setUp(self):
        self.prefix = wine.Prefix()
        self.addCleanup(self.prefix.destroy)

    def test_records_the_command_line_byte_for_byte_and_returns_the_chosen_code(self):
        engine = MsiexecStandIn(self.prefix, PRODUCT, exit_code=3010)
        line = ('/qn /lv+* "C:\\Trace Folder\\ZEPPatchMSI.log" /update "C:\\Program Files\\ZEP 8\\Patches\\hf41.msp" '
                'INSTALLONREBOOT=1')
        result = self.prefix.run(engine.path, line, cwd=PRODUCT)
        self.assertEqual(result.code, 3010)
        engine.set_exit_code(1603)
        self.assertEqual(self.prefix.run(engine.path, "/x", cwd="C:\\").code, 1603)
        calls = engine.calls()
        self.assertEqual([c.cmd for c in calls], ['"%s" %s' % (engine.path, line), '"%s" /x' % engine.path])
        self.assertEqual([c.cwd for c in calls], [PRODUCT, "C:\\"])

    def test_log_can_go_to_another_folder(self):
        engine = MsiexecStandIn(self.prefix, "C:\\Product", log_folder="C:\\Records")
        self.assertEqual(self.prefix.run(engine.path, "/package {P} /uninstall {G}").code, 0)
        self.assertIsNone(self.prefix.read_file("C:\\Product\\msiexec.log"))
        self.assertEqual([c.cmd for c in engine.calls()], ['"C:\\Product\\msiexec.exe" /package {P} /uninstall {G}'])

    def test_found_before_the_system_engine_from_the_starters_folder_and_current_folder(self):
        # A start of "msiexec.exe" without an application name searches the
        # starting program's folder, then its current folder, then the system
        # folders (which is why the patcher names the system's engine by its
        # full path). wexec plays the starting program here.
        beside = MsiexecStandIn(self.prefix, "C:\\Starter")
        starter = self.prefix.copy_in(os.environ["ZEP_WEXEC"], "C:\\Starter")
        saved = os.environ["ZEP_WEXEC"]
        os.environ["ZEP_WEXEC"] = self.prefix.host_path(starter)
        try:
            self.assertEqual(self.prefix.run("msiexec.exe", "/probe 1").code, 0)
        finally:
            os.environ["ZEP_WEXEC"] = saved
        self.assertEqual([c.cmd for c in beside.calls()], ['"msiexec.exe" /probe 1'])

        current = MsiexecStandIn(self.prefix, PRODUCT, exit_code=1641)
        here = os.getcwd()
        os.chdir(self.prefix.host_path(PRODUCT))
        try:
            self.assertEqual(self.prefix.run("msiexec.exe", "/probe 2").code, 1641)
        finally:
            os.chdir(here)
        self.assertEqual([c.cmd for c in current.calls()], ['"msiexec.exe" /probe 2'])


class ShutdownSimulator(unittest.TestCase):
    def setUp(self):
        self.prefix = wine.Prefix()
        self.addCleanup(self.prefix.destroy)
        # The registered "scripts" are stand-in engines: they record how the
        # simulated shutdown started them.
        self.first = MsiexecStandIn(self.prefix, PRODUCT + "\\Patches\\Private", exit_code=3010)
        self.second = MsiexecStandIn(self.prefix, "C:\\Other Tool", exit_code=0)

    def register(self, path, parameters):
        code, output = registration(self.prefix, "create", path, parameters)
        self.assertEqual(code, 0, output)
        return output

    def test_runs_each_registration_with_its_parameters_and_a_removed_one_no_more(self):
        self.assertIn("layout: newer", self.register(self.first.path, "/when now /clean "))
        self.register(self.second.path, "/x  /clean ")
        checked = simulate_shutdown(self.prefix, check=True)
        self.assertEqual(checked.code, 0, checked.output)

        outcome = simulate_shutdown(self.prefix)
        self.assertEqual(outcome.code, 0, outcome.output)
        self.assertEqual(outcome.policy_key, "HKLM\\" + NEWER[len(HKLM) + 1:])
        self.assertEqual([(r.id, r.command, r.code) for r in outcome.scripts],
                         [("0/0", '"%s" /when now /clean ' % self.first.path, 3010),
                          ("0/1", '"%s" /x  /clean ' % self.second.path, 0)])
        self.assertEqual([c.cmd for c in self.first.calls()], ['"%s" /when now /clean ' % self.first.path])
        self.assertEqual([c.cwd for c in self.first.calls()], [PRODUCT + "\\Patches\\Private"])
        # scripts.ini lists the same, as a policy refresh would read it (the
        # profile functions drop the trailing blank of a value).
        from_ini = simulate_shutdown(self.prefix, ini=True)
        self.assertEqual([r.command for r in from_ini.scripts], [r.command.rstrip() for r in outcome.scripts])

        runs_of_first = len(self.first.calls())
        code, output = registration(self.prefix, "delete", self.first.path)
        self.assertEqual(code, 0, output)
        outcome = simulate_shutdown(self.prefix)
        self.assertEqual([(r.id, r.command) for r in outcome.scripts], [("0/0", '"%s" /x  /clean ' % self.second.path)])
        self.assertEqual(len(self.first.calls()), runs_of_first)

        registration(self.prefix, "delete", self.second.path)
        outcome = simulate_shutdown(self.prefix)
        self.assertEqual(outcome.scripts, [])
        self.assertTrue(self.prefix.reg_key_exists(NEWER))
        self.assertFalse(self.prefix.reg_key_exists(STATE + "\\0"))
        self.assertFalse(self.prefix.reg_key_exists(OLDER))
        ini = self.prefix.read_file(SCRIPTS_INI)
        self.assertEqual(ini, b"[Shutdown]\r\n")

    def test_older_layout_on_a_windows_xp_prefix(self):
        # Wine reports the version set for the prefix: Windows XP (5.2 for
        # 64-bit programs) makes both the patcher's code and the simulator
        # use the older policy key.
        self.prefix.reg_set("HKEY_CURRENT_USER\\Software\\Wine", "Version", "winxp64")
        self.assertIn("layout: older", self.register(self.first.path, "/when now /clean "))
        self.assertTrue(self.prefix.reg_key_exists(OLDER + "\\0\\0"))
        self.assertFalse(self.prefix.reg_key_exists(NEWER))

        outcome = simulate_shutdown(self.prefix)
        self.assertEqual(outcome.policy_key, "HKLM\\" + OLDER[len(HKLM) + 1:])
        self.assertEqual([(r.command, r.code) for r in outcome.scripts],
                         [('"%s" /when now /clean ' % self.first.path, 3010)])
        # The newer key holds nothing Windows XP would run.
        self.assertEqual(simulate_shutdown(self.prefix, layout="newer").scripts, [])


if __name__ == "__main__":
    unittest.main()
