"""The deliverables start on every Windows the patcher is for (Windows XP SP2
and Server 2003 on): every function they import is one those systems'
DLLs export. Functions of later systems are looked up at run time by name
instead. Also: both carry a version resource that says what the build is.

usage: deliverables_test.py PROGRAM DLL FIX_ID TEST_BUILD(0|1)"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe import PeFile  # noqa: E402

# The floor: what the DLLs of Windows XP SP2 and Server 2003 (x86, and x64
# for the x86-64 compile) export, limited to the functions these programs
# import today. A function missing here fails the test until someone has
# made sure that it is there on those systems (GetTickCount64, _wfopen_s,
# _wgetenv_s, InitializeSRWLock... are not).
FLOOR = {
    "advapi32.dll": """DeregisterEventSource RegCloseKey RegCreateKeyExW RegEnumKeyExW RegEnumValueW
        RegOpenKeyExA RegOpenKeyExW RegQueryInfoKeyW RegQueryValueExA RegQueryValueExW RegSetValueExW
        RegisterEventSourceW ReportEventW""",
    "kernel32.dll": """AddVectoredExceptionHandler AttachConsole CloseHandle CopyFileW CreateDirectoryW
        CreateEventA CreateFileW CreateMutexW CreateProcessW CreateSemaphoreA CreateSemaphoreW
        CreateToolhelp32Snapshot DeleteCriticalSection DuplicateHandle EnterCriticalSection FindClose
        FindFirstFileW FindNextFileW FindResourceW FormatMessageA FormatMessageW FreeConsole FreeLibrary
        GetCommandLineW GetCurrentProcess GetCurrentProcessId GetCurrentThread GetCurrentThreadId
        GetEnvironmentVariableW GetExitCodeProcess GetHandleInformation GetLastError GetLocalTime
        GetModuleFileNameA GetModuleFileNameW GetModuleHandleA GetModuleHandleW GetPrivateProfileSectionW
        GetProcAddress GetProcessAffinityMask GetProcessHeap GetStartupInfoW GetStdHandle
        GetSystemTimeAsFileTime GetTempPathW GetThreadContext GetThreadPriority GetTickCount GetVersionExW
        GlobalAddAtomA GlobalDeleteAtom GlobalFindAtomA HeapAlloc HeapFree HeapReAlloc HeapSize
        InitializeCriticalSection IsDBCSLeadByteEx IsDebuggerPresent LeaveCriticalSection LoadLibraryA
        LoadLibraryExA LoadLibraryW LoadResource LocalFree LockResource MultiByteToWideChar OpenProcess
        OutputDebugStringA Process32FirstW Process32NextW RaiseException ReadFile ReleaseSemaphore
        RemoveVectoredExceptionHandler ResetEvent ResumeThread RtlCaptureContext RtlLookupFunctionEntry
        RtlUnwindEx RtlVirtualUnwind SetCurrentDirectoryW SetEvent SetFilePointer SetLastError
        SetProcessAffinityMask SetThreadContext SetThreadPriority SetUnhandledExceptionFilter SizeofResource
        Sleep SuspendThread TlsAlloc TlsFree TlsGetValue TlsSetValue TryEnterCriticalSection VirtualProtect
        VirtualQuery WaitForMultipleObjects WaitForSingleObject WideCharToMultiByte WriteFile
        WritePrivateProfileSectionW __C_specific_handler""",
    "msvcrt.dll": """___lc_codepage_func ___mb_cur_max_func __iob_func __mb_cur_max __p__commode __p__fmode
        __p__wcmdln __set_app_type __setusermatherr __wgetmainargs __winitenv _amsg_exit _beginthreadex
        _cexit _close _commode _endthreadex _errno _fmode _initterm _iob _lock _onexit _open_osfhandle _read
        _setjmp _snprintf _snwprintf _strdup _ultoa _unlock _vscwprintf _vsnprintf _vsnwprintf _wcmdln
        _wfdopen _wfsopen _wgetenv abort atoi calloc exit fclose fflush fprintf fputc fputs fputws free
        fwrite iswctype localeconv longjmp malloc memchr memcmp memcpy memmove memset printf rand realloc
        setlocale setvbuf signal srand strchr strcmp strcoll strerror strftime strlen strncmp strxfrm
        towlower towupper vfprintf wcscmp wcscoll wcsftime wcslen wcsxfrm""",
    "msi.dll": """MsiCloseHandle MsiCreateRecord MsiDatabaseOpenViewW MsiGetActiveDatabase MsiGetComponentStateW
        MsiGetPropertyA MsiGetPropertyW MsiProcessMessage MsiRecordGetInteger MsiRecordGetStringW
        MsiRecordSetInteger MsiRecordSetStringA MsiRecordSetStringW MsiViewExecute MsiViewFetch
        MsiViewGetColumnInfo MsiViewGetErrorW MsiViewModify""",
    "rpcrt4.dll": "RpcStringFreeW UuidCreate UuidToStringW",
    "shell32.dll": "CommandLineToArgvW SHFileOperationW",
    "shlwapi.dll": "SHDeleteKeyW",
    "user32.dll": "CharLowerBuffW",
}
FLOOR = {dll: set(names.split()) for dll, names in FLOOR.items()}

# Found in the import tables of programs built with the posix-thread
# runtime: a sign the deliverables were linked with it again.
LATER_SYSTEMS = {"GetTickCount64", "_wfopen_s", "_wgetenv_s", "InitializeSRWLock", "AcquireSRWLockExclusive",
                 "InitializeConditionVariable", "FlsAlloc", "InitOnceExecuteOnce"}


def outside_floor(path):
    found = []
    for dll, names in PeFile(path).imports().items():
        allowed = FLOOR.get(dll.lower())
        for name in names:
            if allowed is None or name not in allowed:
                found.append("%s!%s" % (dll, name))
    return found


class ImportFloor(unittest.TestCase):
    def test_program_imports_only_what_xp_sp2_has(self):
        self.assertEqual(outside_floor(PROGRAM), [])

    def test_custom_action_imports_only_what_xp_sp2_has(self):
        self.assertEqual(outside_floor(DLL), [])

    def test_floor_holds_none_of_the_later_functions(self):
        # The list itself must not let through what the test is for.
        for names in FLOOR.values():
            self.assertFalse(names & LATER_SYSTEMS)

    def test_reader_sees_the_imports(self):
        # An empty table would pass the floor: the custom action must be
        # seen importing from msi.dll, the program from kernel32.dll.
        self.assertIn("msi.dll", {d.lower() for d in PeFile(DLL).imports()})
        self.assertIn("CreateProcessW", PeFile(PROGRAM).imports().get("KERNEL32.dll", []))


class VersionResource(unittest.TestCase):
    def check(self, path, file_name):
        strings = PeFile(path).version_strings()
        self.assertIsNotNone(strings, "no version resource in " + path)
        self.assertEqual(strings.get("FixId"), FIX_ID)
        self.assertEqual(strings.get("OriginalFilename"), file_name)
        self.assertTrue(strings.get("CompanyName"))
        version = strings.get("FileVersion", "")
        self.assertEqual(len(version.split(".")), 4, version)
        self.assertEqual(strings.get("ProductVersion"), version)
        comments = strings.get("Comments", "")
        if TEST_BUILD:
            self.assertTrue(comments.startswith("TEST BUILD"), comments)
            self.assertIn("TEST trust root", comments)
        else:
            self.assertNotIn("TEST", comments)

    def test_program(self):
        self.check(PROGRAM, FIX_ID + ".exe")

    def test_custom_action(self):
        self.check(DLL, "patch.dll")


if __name__ == "__main__":
    PROGRAM, DLL, FIX_ID, TEST_BUILD = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1"
    del sys.argv[1:5]
    unittest.main(verbosity=2)
