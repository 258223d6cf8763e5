"""An altered copy of hf41.exe: one byte inside an embedded package changed,
so that the package's own signature no longer verifies while the program
still runs. This is how a tampered or damaged download looks to the patcher.
"""
import os


def altered_hf41(hf41, package, folder):
    """Writes folder/hf41.exe: hf41 with the middle byte of `package` (a file
    embedded byte for byte in it) flipped. Returns the path."""
    with open(hf41, "rb") as f:
        program = bytearray(f.read())
    with open(package, "rb") as f:
        embedded = f.read()
    at = program.find(embedded)
    if at < 0 or program.find(embedded, at + 1) >= 0:
        raise RuntimeError("%s is not embedded exactly once in %s" % (package, hf41))
    program[at + len(embedded) // 2] ^= 0x01
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "hf41.exe")
    with open(path, "wb") as f:
        f.write(program)
    return path
