"""Nothing planted is ever run, and the package checked is the package the
engine installs: hf41.exe started from a download folder with engines planted
beside it and in its current folders, the system's engine replaced by a
recording probe that tries to change the package while it runs. And the
import table of hf41.exe names only DLLs the system loads from its own folder.
"""
import os
import shutil
import subprocess
import unittest

import wine
from msiexec_standin import MsiexecStandIn, install_as_system_engine, standin_path
from standin_msi import install_standin_msi

BUILD = os.environ["ZEP_BUILD_DIR"]
HF41 = os.environ["ZEP_HF41"]
PRODUCT_MSI = os.path.join(BUILD, "testenv", "msi", "zep8.msi")
STAND_INS = [os.path.join(BUILD, "testenv", *parts) for parts in
             (("tsremote", "tsremote.dll"), ("tsstub", "tsstub.tsm"), ("orx", "orx.exe"))]
SIGNED = os.environ.get("ZEP_SIGNED_PACKAGES") == "1"

PRODUCT = "C:\\Program Files\\ZEP 8\\"
PATCHES = PRODUCT + "Patches"
PACKAGE = PATCHES + "\\hf41.msp"
TRACE_ROOT = "C:\\Trace Folder\\"
DOWNLOAD = "C:\\Download"
WORK = "C:\\Work"
SYSTEM = "C:\\windows\\system32"
SHARING_VIOLATION = 32

# Modules Windows always maps from the system folder (its KnownDLLs), the
# runtime included: a static import of anything else would be searched for
# beside the program before wWinMain could restrict the search.
KNOWN_DLLS = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll",
              "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll",
              "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll",
              "ws2_32.dll"}


def imported_dlls(path):
    objdump = shutil.which("x86_64-w64-mingw32-objdump") or shutil.which("i686-w64-mingw32-objdump")
    if not objdump:
        raise unittest.SkipTest("no mingw objdump to read the import table")
    table = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    return sorted(line.split("DLL Name:")[1].strip().lower() for line in table.splitlines() if "DLL Name:" in line)


class ImportTable(unittest.TestCase):
    def test_hf41_imports_only_dlls_the_system_loads_from_its_own_folder(self):
        dlls = imported_dlls(HF41)
        self.assertIn("kernel32.dll", dlls)
        self.assertEqual([d for d in dlls if d not in KNOWN_DLLS], [], dlls)
        # The installer is bound at run time from the system folder.
        self.assertNotIn("msi.dll", dlls)


@unittest.skipUnless(SIGNED, "needs signed packages and the real signature check (ZEP_SIGNED_PACKAGES=1)")
class PlantedEngines(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        wine.require_runnable(HF41, os.environ["ZEP_WEXEC"], standin_path())
        cls.prefix = prefix = wine.Prefix()
        os.makedirs(prefix.host_path(TRACE_ROOT), exist_ok=True)
        out = prefix._exec([wine.WINE64, "msiexec", "/i", "Z:" + PRODUCT_MSI.replace("/", "\\"), "/qn"])
        if out.returncode != 0:
            raise RuntimeError("the stand-in product did not install: %r" % out.stderr[-2000:])
        for stand_in in STAND_INS:
            prefix.copy_in(stand_in, PRODUCT)
        for name in ("tl.pbv", "oper.pbv"):
            prefix.copy_in(os.path.join(os.environ["ZEP_KEY_REGISTRIES"], name), PRODUCT)
        prefix.reg_delete(wine.PRODUCT_ENV_KEY)
        prefix.reg_import('[%s]\r\n"TraceRoot"="%s"\r\n"ProductRoot"="%s"\r\n' % (
            wine.PRODUCT_ENV_KEY, TRACE_ROOT.replace("\\", "\\\\"), PRODUCT.replace("\\", "\\\\")))
        cls.exe = prefix.copy_in(HF41, DOWNLOAD)
        install_standin_msi(prefix, "hf41.exe")
        # Beside the program, in the folder it is started in, and in the
        # product folder it makes current: all three found by a search first.
        cls.planted = [MsiexecStandIn(prefix, folder) for folder in (DOWNLOAD, WORK, PRODUCT)]
        cls.system = install_as_system_engine(prefix, exit_code=3010)
        cls.system.tamper()

    @classmethod
    def tearDownClass(cls):
        cls.prefix.destroy()

    def test_when_now_starts_only_the_system_engine_which_cannot_change_the_package(self):
        result = self.prefix.run(self.exe, "/when now", cwd=WORK)
        self.assertEqual(result.code, 0, result.stdout)
        for planted in self.planted:
            self.assertEqual(planted.calls(), [], planted.folder)
        line = ('msiexec.exe /qn /lv+* "%sZEPPatchMSI.log" /update "%s" INSTALLONREBOOT=1' % (TRACE_ROOT, PACKAGE))
        self.assertEqual([c.cmd for c in self.system.calls()], [line])
        trace = (self.prefix.read_file(TRACE_ROOT + "ZEPPatch.log") or b"").decode("latin-1")
        self.assertIn("CPatchRunner::ApplyPrivatePachesNow: Run msiexec. CMD: " + line + "\r\n", trace)
        # The engine may read the package; writing, renaming and deleting it
        # while the patcher waits all meet a sharing violation.
        self.assertEqual(self.system.tamper_results(),
                         [{"read": 0, "write": SHARING_VIOLATION, "rename": SHARING_VIOLATION,
                           "delete": SHARING_VIOLATION}])
        self.assertEqual(self.prefix.read_file(PACKAGE), open(os.environ["ZEP_PACKAGE_X64"], "rb").read())
        self.assertIn(b"Patches installed successfully.", result.stdout)


if __name__ == "__main__":
    unittest.main()
