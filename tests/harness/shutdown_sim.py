"""Simulated machine shutdown in a Wine prefix (testenv/shutdown).

`simulate_shutdown(prefix)` runs shutdownsim.exe, which runs every machine
shutdown script registered in the local Group Policy as Windows does at
shutdown (the policy key of the prefix's Windows version; "ini" reads
scripts.ini instead), and returns what ran:

    outcome = simulate_shutdown(prefix)
    outcome.scripts   # [Ran(id='0/0', command='"C:\\...\\hf41.exe" /when now /clean ', code=0)]
    outcome.code      # 0: every script started and ended

`registration(prefix, "create", path, params)` registers a script with the
patcher's own registration code (scriptreg.exe).
"""
import os
import re
from dataclasses import dataclass, field


def _tool(name):
    return os.path.join(os.environ["ZEP_BUILD_DIR"], "testenv", "shutdown", name + ".exe")


@dataclass
class Ran:
    id: str
    command: str
    code: int = None       # the script's exit code; None when it did not start or end
    failure: str = None


@dataclass
class Outcome:
    code: int
    policy_key: str = ""
    scripts: list = field(default_factory=list)
    unreached: list = field(default_factory=list)
    output: str = ""


def _tools_folder(prefix):
    folder = "C:\\zep-testenv"
    for name in ("shutdownsim", "scriptreg"):
        if prefix.read_file(folder + "\\" + name + ".exe") is None:
            prefix.copy_in(_tool(name), folder)
    return folder


def simulate_shutdown(prefix, layout=None, ini=False, check=False, cwd=None, env=None):
    args = []
    if layout:
        args += ["/layout", layout]
    if ini:
        args.append("/ini")
    if check:
        args.append("/check")
    if cwd:
        args += ["/cwd", '"%s"' % cwd]
    result = prefix.run(_tools_folder(prefix) + "\\shutdownsim.exe", " ".join(args), env=env)
    text = result.stdout.decode("utf-8")
    outcome = Outcome(result.code, output=text)
    by_id = {}
    # A script's own console text may end without a line break, so the
    # simulator's "exit" line can follow it on the same line.
    text = re.sub(r"(?<!^)(?<!\n)(exit [0-9a-f]+/[0-9a-f]+: -?\d+)", r"\n\1", text)
    for line in text.splitlines():
        m = re.match(r"(policy key|script|exit|failed)( [0-9a-f/]+)?: ?(.*)$", line)
        if not m:
            m2 = re.match(r"unreached (.*)$", line)
            if m2:
                outcome.unreached.append(m2.group(1))
            continue
        kind, ident, rest = m.group(1), (m.group(2) or "").strip(), m.group(3)
        if kind == "policy key":
            outcome.policy_key = rest
        elif kind == "script":
            by_id[ident] = Ran(ident, rest)
            outcome.scripts.append(by_id[ident])
        elif kind == "exit":
            by_id[ident].code = int(rest)
        elif kind == "failed":
            by_id[ident].failure = rest
    return outcome


def registration(prefix, action, script_path, parameters=None):
    """Runs scriptreg.exe; returns (exit code, output text)."""
    args = '%s "%s"' % (action, script_path)
    if parameters is not None:
        args += ' "%s"' % parameters
    result = prefix.run(_tools_folder(prefix) + "\\scriptreg.exe", args)
    return result.code, result.stdout.decode("utf-8", errors="replace")
