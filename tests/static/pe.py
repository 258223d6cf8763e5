"""Reads what the tests need from a PE file: its imports and its version
resource strings. Bounds are checked: a damaged file raises ValueError."""
import struct


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = self._u32(0x3C)
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        self.machine = self._u16(pe + 4)
        sections = self._u16(pe + 6)
        optional_size = self._u16(pe + 20)
        optional = pe + 24
        magic = self._u16(optional)
        self.pe32plus = magic == 0x20B
        dirs = optional + (112 if self.pe32plus else 96)
        self.dirs = [(self._u32(dirs + 8 * i), self._u32(dirs + 8 * i + 4)) for i in range(16)]
        self.sections = []
        first = optional + optional_size
        for i in range(sections):
            at = first + 40 * i
            vsize, rva, rsize, raw = struct.unpack_from("<IIII", d, at + 8)
            self.sections.append((rva, max(vsize, rsize), raw, rsize))

    def _u16(self, at):
        if at + 2 > len(self.data):
            raise ValueError("read past the end")
        return struct.unpack_from("<H", self.data, at)[0]

    def _u32(self, at):
        if at + 4 > len(self.data):
            raise ValueError("read past the end")
        return struct.unpack_from("<I", self.data, at)[0]

    def _u64(self, at):
        if at + 8 > len(self.data):
            raise ValueError("read past the end")
        return struct.unpack_from("<Q", self.data, at)[0]

    def offset(self, rva):
        for start, span, raw, rsize in self.sections:
            if start <= rva < start + span and rva - start < rsize:
                return raw + rva - start
        raise ValueError("RVA 0x%x outside the file" % rva)

    def _cstring(self, at):
        end = self.data.find(b"\0", at)
        if end < 0:
            raise ValueError("unterminated name")
        return self.data[at:end].decode("ascii")

    def imports(self):
        """{dll name (as written): [function names, '#N' for ordinals]}"""
        rva, size = self.dirs[1]
        result = {}
        if rva == 0:
            return result
        at = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if name == 0:
                return result
            dll = self._cstring(self.offset(name))
            names = []
            t = self.offset(lookup or thunks)
            step = 8 if self.pe32plus else 4
            flag = 1 << 63 if self.pe32plus else 1 << 31
            while True:
                v = self._u64(t) if self.pe32plus else self._u32(t)
                if v == 0:
                    break
                if v & flag:
                    names.append("#%d" % (v & 0xFFFF))
                else:
                    names.append(self._cstring(self.offset(v & 0x7FFFFFFF) + 2))
                t += step
            result[dll] = names
            at += 20

    def resource(self, type_id, name_id=None):
        """Bytes of the first resource of an integer type (and name)."""
        rva, _ = self.dirs[2]
        if rva == 0:
            return None
        base = self.offset(rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)

        for key, value in entries(0):
            if key == type_id and value & 0x80000000:
                for key2, value2 in entries(value & 0x7FFFFFFF):
                    if (name_id is None or key2 == name_id) and value2 & 0x80000000:
                        for _, leaf in entries(value2 & 0x7FFFFFFF):
                            data_rva, data_size = struct.unpack_from("<II", self.data, base + leaf)
                            at = self.offset(data_rva)
                            return self.data[at:at + data_size]
        return None

    def version_strings(self):
        """The StringFileInfo values of the version resource."""
        block = self.resource(16)
        if block is None:
            return None
        strings = {}

        def walk(at, end):
            while at + 6 <= end:
                length, value_length, kind = struct.unpack_from("<HHH", block, at)
                if length == 0:
                    return
                key_end = at + 6
                while block[key_end:key_end + 2] != b"\0\0":
                    key_end += 2
                key = block[at + 6:key_end].decode("utf-16-le")
                value_at = (key_end + 2 + 3) & ~3
                if kind == 1 and value_length:
                    raw = block[value_at:value_at + 2 * value_length]
                    strings[key] = raw.decode("utf-16-le").rstrip("\0")
                    children = (value_at + 2 * value_length + 3) & ~3
                else:
                    children = (value_at + value_length + 3) & ~3
                walk(children, at + length)
                at = (at + length + 3) & ~3

        walk(0, len(block))
        return strings
