"""The stand-in msi.dll, installed into the prefix's system folder (where the
programs load msi.dll from), is enabled per program by Wine's AppDefaults
override (the way hf41.exe and its shutdown-time copy get it), and only then
does a patch GUID query work under Wine. A copy beside the program is never
loaded."""
import os
import unittest

from standin_msi import enable_standin_msi, install_standin_msi
from wine import Prefix

BUILD = os.environ.get("ZEP_BUILD_DIR", "")
TESTS_EXE = os.path.join(BUILD, "tests", "wine", "util", "util_wine_tests.exe")
FILTER = "--gtest_filter=InstallerQueries.PatchGuidIsReadAndUpperCased"


class StandInMsiTest(unittest.TestCase):
    def setUp(self):
        # A moved or renamed program must fail this test, not skip it.
        self.assertTrue(os.path.exists(TESTS_EXE), TESTS_EXE + " not built")

    def test_override_for_the_program_name_enables_the_patch_xml_query(self):
        with Prefix() as prefix:
            exe = prefix.copy_in(TESTS_EXE, "C:\\zep")
            install_standin_msi(prefix, "util_wine_tests.exe")
            result = prefix.run(exe, FILTER, cwd="C:\\zep")
            self.assertEqual(result.code, 0, result.stdout.decode(errors="replace"))
            self.assertIn(b"[  PASSED  ] 1 test", result.stdout)

    def test_a_stand_in_beside_the_program_is_not_loaded(self):
        with Prefix() as prefix:
            exe = prefix.copy_in(TESTS_EXE, "C:\\zep")
            enable_standin_msi(prefix, "C:\\zep", "util_wine_tests.exe")
            result = prefix.run(exe, FILTER, cwd="C:\\zep")
            self.assertNotEqual(result.code, 0)
            self.assertNotIn(b"[  PASSED  ] 1 test", result.stdout)

    def test_without_the_override_wines_own_msi_is_used_and_the_query_fails(self):
        with Prefix() as prefix:
            exe = prefix.copy_in(TESTS_EXE, "C:\\zep")
            install_standin_msi(prefix, "other.exe")
            result = prefix.run(exe, FILTER, cwd="C:\\zep")
            self.assertNotEqual(result.code, 0)
            self.assertNotIn(b"[  PASSED  ] 1 test", result.stdout)


if __name__ == "__main__":
    unittest.main()
