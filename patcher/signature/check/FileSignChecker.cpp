#include "FileSignChecker.h"

#include <cstdlib>
#include <cstring>

#include "CheckerResult.h"
#include "ZelExceptions.h"
#include "diagnostics/TraceLog.h"
#include "util/UniqueHandle.h"
#include "util/Wow64FsRedirectionDisabler.h"

namespace {

const wchar_t kLoadFile[] = L"LoadFile";
const wchar_t kCheckFilesSign[] = L"FileSignChecker::CheckFilesSign";
const wchar_t kHandleError[] = L"FileSignChecker::HandleSGVRError";
constexpr DWORD kReadChunk = 10240;

// Library codes are traced as signed decimals: success shows as -373663888.
int Signed(uint32_t code) { return static_cast<int>(code); }

// The object name: the file name, lower-cased, with "/" as "\".
std::wstring ObjectName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (!name.empty()) CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    return name;
}

uint32_t WideBytes(const std::wstring& text) { return static_cast<uint32_t>(text.size() * 2 + 2); }

// An open that failed without a system error still fails.
int32_t OpenFailure(DWORD error) {
    const int32_t code = CheckResultFromSystemError(error);
    return code != kCheckOk ? code : CheckResultFromSystemError(0xFFFFFFFF);
}

}  // namespace

FileSignChecker::FileSignChecker(const std::wstring& keyFolder) : FileSignChecker(keyFolder, FileReadApi()) {}

FileSignChecker::FileSignChecker(const std::wstring& keyFolder, const FileReadApi& files)
    : keyFolder_(keyFolder), files_(files) {
    context_ = SGVR_CreateContext(std::malloc, std::free, nullptr, 1);
    if (context_ == nullptr) throw zel::RuntimeError(".\\FileSignChecker", 18, std::wstring());
}

FileSignChecker::~FileSignChecker() { SGVR_DestroyContext(context_, 1); }

bool FileSignChecker::CheckFileSign(const std::wstring& filePath, void* heldFile) {
    return CheckFilesSign(std::vector<std::wstring>{filePath}, std::vector<void*>{heldFile}) == kCheckOk;
}

int32_t FileSignChecker::CheckFilesSign(const std::vector<std::wstring>& filePaths) {
    return CheckFilesSign(filePaths, std::vector<void*>(filePaths.size(), nullptr));
}

int32_t FileSignChecker::CheckFilesSign(const std::vector<std::wstring>& filePaths,
                                        const std::vector<void*>& heldFiles) {
    Trace(TL_NOTIFY, L"%s: Start", kCheckFilesSign);
    UniqueParList registries;
    if (SGVR_ParList_Create(registries.put()) != SGVR_OK) return kCheckLibraryFailed;
    int32_t result = AddKeyRegistries(registries.get());
    if (result < 0) return result;
    SGVR_RESULT code = SGVR_PrepareRegsSet(context_, registries.get(), 0);
    if (code != SGVR_OK) {
        Trace(TL_ERROR, L"%s: Can't prepare regs set, result - <%d>", kCheckFilesSign, Signed(code));
        if (code == SGVR_E_CONSISTENCY) HandleSGVRError(registries.get());
        return kCheckLibraryFailed;
    }
    Trace(TL_NOTIFY, L"%s: Successfully prepared regs set, result - <%d>", kCheckFilesSign, Signed(code));

    UniqueParList objects;
    if (SGVR_ParList_Create(objects.put()) != SGVR_OK) return kCheckLibraryFailed;
    result = kCheckOk;
    for (size_t i = 0; i < filePaths.size(); ++i) {
        result = AddObjectImage(filePaths[i], objects.get(), i < heldFiles.size() ? heldFiles[i] : nullptr);
        if (result < 0) {
            Trace(TL_ERROR, L"%s: Can't add object image, result <%d>", kCheckFilesSign, result);
            return kCheckLibraryFailed;
        }
    }
    Trace(TL_NOTIFY, L"%s: Successfully added all object image, result <%d>", kCheckFilesSign, result);

    code = SGVR_CheckObjects(context_, objects.get(), 0);
    if (code == SGVR_OK) {
        Trace(TL_NOTIFY, L"%s: Check files sign is ok, result <%d>", kCheckFilesSign, Signed(code));
        return kCheckOk;
    }
    Trace(TL_ERROR, L"%s: Error check files sign - result <%d>", kCheckFilesSign, Signed(code));
    if (code == SGVR_E_CONSISTENCY) HandleSGVRError(objects.get());
    return kCheckLibraryFailed;
}

int32_t FileSignChecker::AddKeyRegistries(SGVR_PARLIST registries) {
    for (const wchar_t* name : {L"tl.pbv", L"oper.pbv"}) {
        const int32_t result = AddRegistryImage(keyFolder_ + name, registries);
        if (result < 0) return result;
    }
    return kCheckOk;
}

int32_t FileSignChecker::AddRegistryImage(const std::wstring& filePath, SGVR_PARLIST registries) {
    return AddImage(filePath, registries, false, nullptr);
}

int32_t FileSignChecker::AddObjectImage(const std::wstring& filePath, SGVR_PARLIST objects, void* heldFile) {
    return AddImage(filePath, objects, true, heldFile);
}

int32_t FileSignChecker::AddImage(const std::wstring& filePath, SGVR_PARLIST list, bool object, void* heldFile) {
    const wchar_t* const where = object ? L"AddObjectImage" : L"AddRegistryImage";
    std::vector<uint8_t> contents;
    const int32_t loaded = LoadFile(filePath, contents, heldFile);
    if (loaded < 0) return loaded;

    // The block belongs to the list entry once added; DestroyList frees it.
    uint8_t* block = new uint8_t[contents.empty() ? 1 : contents.size()];
    if (!contents.empty()) std::memcpy(block, contents.data(), contents.size());
    const uint32_t size = contents.size() <= 0xFFFFFFFFu ? static_cast<uint32_t>(contents.size()) : 0;
    SGVR_ENTRY entry = object ? SGVR_ParList_AddObjectBuffer(list, 0, block, size, nullptr, 0)
                              : SGVR_ParList_AddRegistryBuffer(list, 0, block, size, nullptr, 0);
    SGVR_RESULT outcome = SGVR_E_NOT_INITIALISED;
    if (entry != nullptr) {
        void* address = block;
        outcome = SGVR_ParList_SetParam(list, entry, SGVR_PARAM_BUFFER_ADDRESS, &address, sizeof address);
        if (outcome == SGVR_OK && object) {
            const std::wstring name = ObjectName(filePath);
            outcome = SGVR_ParList_SetObjectName(list, entry, name.c_str(), WideBytes(name));
        }
        if (outcome == SGVR_OK)
            outcome = SGVR_ParList_SetParam(list, entry, SGVR_PARAM_FILE_NAME, filePath.c_str(), WideBytes(filePath));
        // The entry goes with a failed add, so that the list's destruction
        // cannot free the block a second time through its address.
        if (outcome != SGVR_OK) SGVR_ParList_RemoveObject(list, entry);
    }
    if (outcome == SGVR_OK) {
        Trace(TL_NOTIFY, object ? L"%s: Successfully added object image with name - <%s>, result <%d>"
                                : L"%s: Successfully added registry image with name - <%s>, result <%d>",
              where, filePath.c_str(), Signed(outcome));
        return kCheckOk;
    }
    delete[] block;
    Trace(TL_ERROR, object ? L"%s: Can't add object image with name - <%s>, result <%d>"
                           : L"%s: Can't add registry image with name - <%s>, result <%d>",
          where, filePath.c_str(), Signed(outcome));
    return kCheckAddFailed;
}

int32_t FileSignChecker::LoadFile(const std::wstring& filePath, std::vector<uint8_t>& buffer, void* heldFile) {
    buffer.clear();
    const auto open = [&] {
        return files_.createFile(filePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    // A held file is the caller's to close.
    UniqueFileHandle owned(heldFile ? INVALID_HANDLE_VALUE : open());
    int32_t result = heldFile || owned ? kCheckOk : OpenFailure(GetLastError());
    if (result == kCheckFileNotFound) {
        // A 32-bit process on 64-bit Windows reaches the real system folder
        // only with redirection off.
        CWow64FsRedirectionDisabler redirectionOff(nullptr);  // the check traces its own steps
        owned.reset(open());
        result = owned ? kCheckOk : OpenFailure(GetLastError());
    }
    if (result < 0) {
        Trace(TL_NOTIFY, L"%s: LoadFile name - <%s> result <%d>", kLoadFile, filePath.c_str(), result);
        return result;
    }
    const HANDLE file = heldFile ? static_cast<HANDLE>(heldFile) : owned.get();
    std::vector<uint8_t> chunk(kReadChunk);
    uint64_t offset = 0;
    for (;;) {
        LONG high = static_cast<LONG>(offset >> 32);
        SetLastError(NO_ERROR);
        if (files_.setFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER) {
            const DWORD error = GetLastError();
            if (error != NO_ERROR) return CheckResultFromSystemError(error);
        }
        DWORD read = 0;
        if (!files_.readFile(file, chunk.data(), kReadChunk, &read, nullptr))
            return OpenFailure(GetLastError());
        if (read == 0) break;
        buffer.insert(buffer.end(), chunk.begin(), chunk.begin() + read);
        offset += read;
    }
    Trace(TL_NOTIFY, L"%s: LoadFile name - <%s> result <%d>", kLoadFile, filePath.c_str(), kCheckOk);
    return kCheckOk;
}

int32_t FileSignChecker::GetObjectFileName(SGVR_ENTRY entry, SGVR_PARLIST list, std::wstring& name) {
    uint32_t size = 0;
    if (SGVR_ParList_GetParam(list, entry, SGVR_PARAM_FILE_NAME, nullptr, &size) != SGVR_OK) return kCheckAddFailed;
    std::vector<wchar_t> text(size / 2 + 1);
    uint32_t even = size & ~1u;
    if (SGVR_ParList_GetParam(list, entry, SGVR_PARAM_FILE_NAME, text.data(), &even) != SGVR_OK) return kCheckAddFailed;
    name.assign(text.data(), size >= 2 ? size / 2 - 1 : 0);
    return kCheckOk;
}

int32_t FileSignChecker::HandleSGVRError(SGVR_PARLIST list) {
    SGVR_RESULT status = SGVR_OK;
    uint16_t index = SGVR_ParList_FirstFailed(list, &status);
    while (index != 0) {
        SGVR_ENTRY entry = SGVR_ParList_GetObject(list, index, nullptr, nullptr);
        if (entry == nullptr) {
            Trace(TL_NOTIFY, L"%s: SGVR_ParList_GetObject failed", kHandleError);
            return kCheckAddFailed;
        }
        std::wstring name;
        const int32_t result = GetObjectFileName(entry, list, name);
        if (result != kCheckOk) {
            Trace(TL_NOTIFY, L"%s: GetObjectFileName failed - result <%d>", kHandleError, result);
            return result;
        }
        Trace(TL_NOTIFY, L"%s: ConsistencyCheckFailed - module name = <%s>", kHandleError, name.c_str());
        index = SGVR_ParList_NextFailed(list, index, &status);
    }
    return kCheckOk;
}

void ParListTraits::close(SGVR_PARLIST list) noexcept { FileSignChecker::DestroyList(list); }

void FileSignChecker::DestroyList(SGVR_PARLIST list) {
    for (SGVR_ENTRY entry = SGVR_ParList_FirstObject(list); entry != nullptr;
         entry = SGVR_ParList_NextObject(list, entry)) {
        void* address = nullptr;
        uint32_t size = sizeof address;
        if (SGVR_ParList_GetParam(list, entry, SGVR_PARAM_BUFFER_ADDRESS, &address, &size) == SGVR_OK &&
            size == sizeof address)
            delete[] static_cast<uint8_t*>(address);
    }
    SGVR_ParList_Destroy(list);
}
