"""The stand-in msiexec.exe (testenv/msiexec) in a Wine prefix.

Place it where the patcher's process search finds it before the system's
engine (the product folder, which is the patcher's current folder, or the
folder of the program that starts it), choose its exit code, and read back
every command line it was started with:

    engine = MsiexecStandIn(prefix, "C:\\Program Files\\ZEP 8", exit_code=3010)
    ... run the patcher ...
    engine.calls()    # [Call(cmd='msiexec.exe /qn /lv+* "..." ...', cwd='C:\\...')]
"""
import os
from dataclasses import dataclass


def standin_path():
    """The built stand-in, from the build folder CTest names."""
    return os.path.join(os.environ["ZEP_BUILD_DIR"], "testenv", "msiexec", "msiexec.exe")


@dataclass
class Call:
    cmd: str   # the full command line as the stand-in received it
    cwd: str   # its current folder


class MsiexecStandIn:
    def __init__(self, prefix, folder, exit_code=0, log_folder=None):
        self.prefix = prefix
        self.folder = folder.rstrip("\\")
        self.path = prefix.copy_in(standin_path(), self.folder)
        self.log_folder = (log_folder or self.folder).rstrip("\\")
        if log_folder:
            os.makedirs(prefix.host_path(self.log_folder), exist_ok=True)
            prefix.write_file(self.folder + "\\msiexec.logdir", self.log_folder + "\r\n")
        self.set_exit_code(exit_code)

    def set_exit_code(self, code):
        self.prefix.write_file(self.folder + "\\msiexec.exitcode", "%d\r\n" % code)

    def tamper(self, on=True):
        """Makes the stand-in try to change the package it is given (see msiexec.cpp)."""
        flag = self.folder + "\\msiexec.tamper"
        if on:
            self.prefix.write_file(flag, "1\r\n")
        elif os.path.exists(self.prefix.host_path(flag)):
            os.remove(self.prefix.host_path(flag))

    def tamper_results(self):
        """One dict per start of the stand-in in tamper mode: error code per attempt."""
        data = (self.prefix.read_file(self.log_folder + "\\msiexec.tamper.log") or b"").decode()
        results = []
        for line in data.splitlines():
            assert line.startswith("TAMPER: "), line
            results.append({k: int(v) for k, v in (item.split("=") for item in line[8:].split())})
        return results

    def log(self):
        return self.prefix.read_file(self.log_folder + "\\msiexec.log") or b""

    def calls(self):
        lines = self.log().decode("utf-8").split("\n")
        calls = []
        for i in range(0, len(lines) - 1, 2):
            assert lines[i].startswith("CMD: ") and lines[i + 1].startswith("CWD: "), lines[i:i + 2]
            calls.append(Call(lines[i][5:], lines[i + 1][5:]))
        return calls


DLL_OVERRIDES = r"HKEY_CURRENT_USER\Software\Wine\DllOverrides"


def install_as_system_engine(prefix, exit_code=0):
    """Puts the stand-in in the system's place, the system folder of the
    patcher's bitness, where the patcher names the engine by its full path. Wine runs its own
    engine for that path unless told to prefer the file (a native override)."""
    engine = MsiexecStandIn(prefix, prefix.system_folder(), exit_code=exit_code)
    prefix.reg_set(DLL_OVERRIDES, "msiexec.exe", "native")
    return engine
