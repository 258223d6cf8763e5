#pragma once
// Scoped owners for Win32 handles: one template, one small traits type per
// kind of handle. The destructor releases what the owner holds. Also used by
// patch.dll for its installer handles and registry keys.
#include <windows.h>

#include <cstdio>
#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using handle_type = typename Traits::handle_type;

    UniqueHandle() noexcept : h_(Traits::invalid()) {}
    explicit UniqueHandle(handle_type h) noexcept : h_(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    handle_type get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Traits::valid(h_); }

    // For APIs that fill a handle through an out parameter.
    handle_type* put() noexcept {
        reset();
        return &h_;
    }

    [[nodiscard]] handle_type release() noexcept { return std::exchange(h_, Traits::invalid()); }

    // Keeps the thread's last error, so that a failure can be reported after
    // the handle that saw it has been closed.
    void reset(handle_type h = Traits::invalid()) noexcept {
        if (Traits::valid(h_)) {
            const DWORD error = ::GetLastError();
            Traits::close(h_);
            ::SetLastError(error);
        }
        h_ = h;
    }

private:
    handle_type h_;
};

// Handles whose only empty value is null.
template <typename Handle>
struct NullIsEmpty {
    using handle_type = Handle;
    static Handle invalid() noexcept { return Handle(); }
    static bool valid(Handle h) noexcept { return h != Handle(); }
};

// File and find handles report failure as INVALID_HANDLE_VALUE, but a null
// one is no handle either.
struct NullOrInvalidIsEmpty {
    using handle_type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};

struct RegKeyTraits : NullIsEmpty<HKEY> {
    static void close(HKEY h) noexcept { ::RegCloseKey(h); }
};

struct KernelHandleTraits : NullIsEmpty<HANDLE> {
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};

struct FileHandleTraits : NullOrInvalidIsEmpty {
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits : NullOrInvalidIsEmpty {
    static void close(HANDLE h) noexcept { ::FindClose(h); }
};

struct EventSourceTraits : NullIsEmpty<HANDLE> {
    static void close(HANDLE h) noexcept { ::DeregisterEventSource(h); }
};

struct StdioFileTraits : NullIsEmpty<FILE*> {
    static void close(FILE* f) noexcept { std::fclose(f); }
};

using UniqueHKey = UniqueHandle<RegKeyTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueEventSource = UniqueHandle<EventSourceTraits>;
using UniqueStdioFile = UniqueHandle<StdioFileTraits>;

// The two handles CreateProcessW hands over, closed together.
class UniqueProcessInformation {
public:
    UniqueProcessInformation() = default;
    ~UniqueProcessInformation() { reset(); }
    UniqueProcessInformation(const UniqueProcessInformation&) = delete;
    UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;

    // For CreateProcessW: whatever was held is closed first.
    PROCESS_INFORMATION* put() noexcept {
        reset();
        return &info_;
    }
    HANDLE process() const noexcept { return info_.hProcess; }
    HANDLE thread() const noexcept { return info_.hThread; }
    DWORD processId() const noexcept { return info_.dwProcessId; }

    void reset() noexcept {
        UniqueKernelHandle thread(info_.hThread);
        UniqueKernelHandle process(info_.hProcess);
        info_ = PROCESS_INFORMATION{};
    }

private:
    PROCESS_INFORMATION info_{};
};
