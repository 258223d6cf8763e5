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


def install_standin_msi(prefix, exe_name, build_dir=None):
    """Puts the stand-in where a machine has msi.dll, the system folder of
    the program's bitness, and makes exe_name load it before Wine's own.
    Wine's msi.dll is kept in zep-engine beside it for the stand-in to
    forward to. The build's stand-in has the bitness of its programs."""
    import shutil
    system = prefix.system_folder()
    engine_dir = system + "\\zep-engine"
    os.makedirs(prefix.host_path(engine_dir), exist_ok=True)
    kept = prefix.host_path(engine_dir + "\\msi.dll")
    if not os.path.exists(kept):
        shutil.copyfile(prefix.host_path(system + "\\msi.dll"), kept)
    prefix.copy_in(standin_msi_path(build_dir), system)
    prefix.reg_set(APP_DEFAULTS + "\\" + exe_name + r"\DllOverrides", "msi", "native,builtin")
