"""The fix on a real Windows Installer engine: ZEP 8 installed from its MSI
with Wine's msiexec, the genuine x64 patch package applied by Wine's own
msiexec the way the patcher starts it, and its effects checked: the engine
lists the patch, the changed file has its new content, patch.dll recorded
the fix in ProductHotfix and logged its lines.

Wine 8's engine cannot remove a patch (it treats the removal command line
as a product uninstall), so removal is covered with the stand-in msiexec.
"""
import os
import sys
import time
import unittest

from patcher_texts import fix_files
from service_standin import start_service
from standin_msi import install_standin_msi
from wine import HKLM, Prefix, require_runnable

PATCH_GUID = "{A623E528-4926-4E76-92A1-A9220E993BE6}"
PRODUCT_CODE = "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}"
MSIEXEC = "C:\\windows\\system32\\msiexec.exe"
SETUP = "C:\\setup"
# The stand-in product's components are 32-bit: their registry values land in
# the 32-bit view, and so does the Data key patch.dll picks for them.
VIEW32 = HKLM + r"\Software\Wow6432Node\TorvellanLab\protected\ZEP8"
VIEW64 = HKLM + r"\Software\TorvellanLab\protected\ZEP8"

REQUIRED = ["ZEP_WEXEC", "ZEP_PATCHQUERY", "ZEP_PRODUCT_MSI_X64", "ZEP_PACKAGE_X64",
            "ZEP_OTHER_PRODUCT_PACKAGE", "ZEP_OTHER_TRANSFORMS_PACKAGE", "ZEP_FIX_FILES"]
if any(not os.environ.get(name) for name in REQUIRED):
    print("SKIPPED: run through CTest, which names the build's programs and packages")
    sys.exit(77)
require_runnable(os.environ["ZEP_WEXEC"])



class Timings:
    """Seconds per step, printed at the end of the module."""
    steps = {}

    @classmethod
    def add(cls, step, seconds):
        cls.steps.setdefault(step, []).append(seconds)


def tearDownModule():
    for step, values in Timings.steps.items():
        print("timing: %-28s %s s" % (step, ", ".join("%.2f" % v for v in values)))


class Machine:
    """A fresh 64-bit prefix with ZEP 8 installed by msiexec /i."""

    def __init__(self, test, product_msi=None):
        start = time.monotonic()
        # Keys are named in full, in either view, as the product wrote them.
        self.prefix = Prefix(view=64)
        Timings.add("prefix", time.monotonic() - start)
        test.addCleanup(self.prefix.destroy)
        msi = self.prefix.copy_in(product_msi or os.environ["ZEP_PRODUCT_MSI_X64"], SETUP)
        start = time.monotonic()
        result = self.prefix.run(MSIEXEC, '/i "%s" /qn' % msi)
        Timings.add("product install (msiexec /i)", time.monotonic() - start)
        test.assertEqual(result.code, 0, "msiexec /i of the stand-in product failed")
        root = self.prefix.reg_query(VIEW32 + r"\environment", "ProductRoot")
        test.assertIsNotNone(root, "the product's environment values were not installed")
        self.product_root = root[1].rstrip("\\")

    def apply(self, package, log):
        path = self.prefix.copy_in(package, SETUP)
        start = time.monotonic()
        result = self.prefix.run(MSIEXEC, '/qn /lv+* "%s" /update "%s" INSTALLONREBOOT=1' % (log, path))
        Timings.add("engine apply (msiexec /update)", time.monotonic() - start)
        return result

    def patches(self):
        query = self.prefix.copy_in(os.environ["ZEP_PATCHQUERY"], SETUP)
        start = time.monotonic()
        result = self.prefix.run(query, PRODUCT_CODE)
        Timings.add("process start (patchquery)", time.monotonic() - start)
        assert result.code == 0, result.stderr
        return result.stdout.decode().split()

    def product_file(self, key):
        return self.prefix.read_file(self.product_root + "\\" + key)

    def product_hotfix(self, view=VIEW32):
        value = self.prefix.reg_query(view + r"\Data", "ProductHotfix")
        return value[1] if value else None

    def log_text(self, log):
        data = self.prefix.read_file(log) or b""
        return data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("latin-1")


class RealEngineTest(unittest.TestCase):
    def test_wines_msiexec_applies_the_x64_package_and_patch_dll_records_the_fix(self):
        machine = Machine(self)
        for key, content in fix_files():
            self.assertNotEqual(machine.product_file(key), content, "the base product already has the fix")
        self.assertNotIn(PATCH_GUID, machine.patches())

        log = SETUP + "\\ZEPPatchMSI.log"
        result = machine.apply(os.environ["ZEP_PACKAGE_X64"], log)
        self.assertEqual(result.code, 0)

        self.assertEqual(machine.patches(), [PATCH_GUID])
        for key, content in fix_files():
            self.assertEqual(machine.product_file(key), content, key)
        self.assertEqual(machine.product_hotfix(), "hf41")
        self.assertIsNone(machine.product_hotfix(VIEW64), "written to the view of a 64-bit component")
        text = machine.log_text(log)
        ca_lines = [line for line in text.splitlines() if line.startswith("RegisterHotfixesInfo:  ")]
        self.assertIn("RegisterHotfixesInfo:  RegisterHotfixesInfo initialized.", ca_lines)
        self.assertTrue(any("ProductHotfix, hf41" in line for line in ca_lines), ca_lines)
        # The product's own values are kept by the reinstall the patch causes.
        self.assertIsNotNone(machine.prefix.reg_query(VIEW32 + r"\environment", "TraceRoot"))

    def test_the_transform_adds_the_removal_flag_column_to_an_older_product(self):
        # A product whose CustomAction table lacks ExtendedType: the package
        # adds the column for its patch-uninstall flag, and the engine still
        # applies it and runs the action.
        machine = Machine(self, os.environ["ZEP_OLD_SCHEMA_MSI_X64"])
        log = SETUP + "\\old-schema.log"
        result = machine.apply(os.environ["ZEP_OLD_SCHEMA_PACKAGE"], log)
        self.assertEqual(result.code, 0)
        self.assertEqual(machine.patches(), [PATCH_GUID])
        for key, content in fix_files():
            self.assertEqual(machine.product_file(key), content, key)
        self.assertEqual(machine.product_hotfix(), "hf41")
        ca_lines = [line for line in machine.log_text(log).splitlines() if line.startswith("RegisterHotfixesInfo:  ")]
        self.assertTrue(any("ProductHotfix, hf41" in line for line in ca_lines), ca_lines)

    def test_packages_for_another_product_change_nothing(self):
        machine = Machine(self)
        before = {key: machine.product_file(key) for key, _ in fix_files()}

        # Made for a product that is not installed: the engine finds no
        # product to patch and records nothing.
        result = machine.apply(os.environ["ZEP_OTHER_PRODUCT_PACKAGE"], SETUP + "\\other.log")
        print("package for another product: msiexec exit %d, engine lists %s" % (result.code, machine.patches()))
        self.assertEqual(result.code, 1605)  # ERROR_UNKNOWN_PRODUCT
        self.assertEqual(machine.patches(), [])

        # Naming this product but with transforms of another: Wine's engine
        # reports success and registers the patch, yet applies nothing.
        log = SETUP + "\\transforms.log"
        result = machine.apply(os.environ["ZEP_OTHER_TRANSFORMS_PACKAGE"], log)
        print("transforms of another product: msiexec exit %d, engine lists %s" % (result.code, machine.patches()))
        self.assertEqual(result.code, 0)
        self.assertEqual(machine.patches(), [PATCH_GUID])
        for key, content in before.items():
            self.assertEqual(machine.product_file(key), content, key)
        self.assertIsNone(machine.product_hotfix())
        self.assertNotIn("RegisterHotfixesInfo:  ", machine.log_text(log))


@unittest.skipUnless(os.environ.get("ZEP_SIGNED_PACKAGES") == "1",
                     "hf41.exe refuses unsigned packages; runs once the build signs them (ZEP_SIGNED_PACKAGES=1)")
class PatcherOnRealEngineTest(unittest.TestCase):
    def test_hf41_when_now_installs_the_fix_through_wines_msiexec(self):
        machine = Machine(self)
        prefix = machine.prefix
        # The win64 build reads the 64-bit view: give it the product's values there.
        for name in ("ProductRoot", "TraceRoot", "Skin", "Localization"):
            value = prefix.reg_query(VIEW32 + r"\environment", name)
            prefix.reg_set(VIEW64 + r"\environment", name, value[1])
        # The product's service and its key registries, which the stand-in
        # product package does not install.
        build = os.environ["ZEP_BUILD_DIR"]
        for stand_in in (("tsremote", "tsremote.dll"), ("tsstub", "tsstub.tsm"), ("orx", "orx.exe")):
            prefix.copy_in(os.path.join(build, "testenv", *stand_in), machine.product_root)
        for name in ("tl.pbv", "oper.pbv"):
            prefix.copy_in(os.path.join(os.environ["ZEP_KEY_REGISTRIES"], name), machine.product_root)
        exe = prefix.copy_in(os.environ["ZEP_HF41"], "C:\\zep")
        install_standin_msi(prefix, "hf41.exe")
        # Running, as the product's service is where the product is installed.
        start_service(prefix, machine.product_root)
        start = time.monotonic()
        result = prefix.run(exe, "/when now", cwd="C:\\zep")
        Timings.add("hf41 /when now (whole run)", time.monotonic() - start)
        self.assertEqual(result.code, 0, result.stdout.decode(errors="replace"))
        trace = (prefix.read_file(machine.product_root + "\\TraceZEPPatch.log") or b"").decode("latin-1")
        self.assertIn("CUsingORX::CUsingORX: ORX running.", trace)
        self.assertIn(PATCH_GUID, machine.patches())
        for key, content in fix_files():
            self.assertEqual(machine.product_file(key), content, key)
        self.assertEqual(machine.product_hotfix(), "hf41")
        state = prefix.read_file(machine.product_root + "\\Patches\\Patches.ini") or b""
        self.assertRegex(state.decode("latin-1").replace("\r", ""),
                         r"(?mi)^\{A623E528-4926-4E76-92A1-A9220E993BE6\}\s*=\s*installed$")


if __name__ == "__main__":
    unittest.main()
