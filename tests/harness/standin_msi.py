"""The test-only stand-in msi.dll (testenv/msi) for programs run under Wine.

Wine's msi.dll lacks MsiExtractPatchXMLDataW. The stand-in, placed beside a
program and enabled for that program's file name with Wine's per-program DLL
override, supplies it and forwards the other installer queries to Wine's own
msi.dll. hf41.exe itself is not changed for it.
"""
import os

APP_DEFAULTS = r"HKEY_CURRENT_USER\Software\Wine\AppDefaults"


def standin_msi_path(build_dir=None):
    build_dir = build_dir or os.environ["ZEP_BUILD_DIR"]
    return os.path.join(build_dir, "testenv", "msi", "msi.dll")


def enable_standin_msi(prefix, win_dir, exe_name, build_dir=None):
    """Copies msi.dll into win_dir and makes exe_name load it before Wine's own."""
    prefix.copy_in(standin_msi_path(build_dir), win_dir)
    prefix.reg_set(APP_DEFAULTS + "\\" + exe_name + r"\DllOverrides", "msi", "native,builtin")
