#pragma once
// Checks files against the product's key registries: loads "tl.pbv" and
// "oper.pbv" from the key folder, lets the signature library build its trusted
// set from them, then checks each file. Every step goes to the trace log.
#include <cstdint>
#include <string>
#include <vector>

#include "FileReadApi.h"
#include "util/UniqueHandle.h"
#include "signature/sgvr/Sgvr.h"

class FileSignChecker;

// A parameter list with the image blocks its entries own, freed together.
struct ParListTraits {
    using handle_type = SGVR_PARLIST;
    static SGVR_PARLIST invalid() noexcept { return nullptr; }
    static bool valid(SGVR_PARLIST list) noexcept { return list != nullptr; }
    static void close(SGVR_PARLIST list) noexcept;
};
using UniqueParList = UniqueHandle<ParListTraits>;

class FileSignChecker {
public:
    // keyFolder is a prefix for the registry names: it ends with a separator.
    // Throws zel::RuntimeError when the library cannot start.
    explicit FileSignChecker(const std::wstring& keyFolder);
    FileSignChecker(const std::wstring& keyFolder, const FileReadApi& files);
    ~FileSignChecker();
    FileSignChecker(const FileSignChecker&) = delete;
    FileSignChecker& operator=(const FileSignChecker&) = delete;

    // With heldFile (open for reading) the bytes are read through that handle.
    bool CheckFileSign(const std::wstring& filePath, void* heldFile = nullptr);
    // 0 when every file passed; a negative checker result code otherwise.
    int32_t CheckFilesSign(const std::vector<std::wstring>& filePaths);
    // The same for files given with the handles they are held open by
    // (null: opened by path).
    int32_t CheckFilesSign(const std::vector<std::wstring>& filePaths, const std::vector<void*>& heldFiles);

    int32_t AddKeyRegistries(SGVR_PARLIST registries);
    int32_t AddRegistryImage(const std::wstring& filePath, SGVR_PARLIST registries);
    int32_t AddObjectImage(const std::wstring& filePath, SGVR_PARLIST objects, void* heldFile = nullptr);
    // The whole file, read in chunks of 10240 bytes from its start; through
    // heldFile when given, else through a new open of the path.
    int32_t LoadFile(const std::wstring& filePath, std::vector<uint8_t>& buffer, void* heldFile = nullptr);
    static int32_t GetObjectFileName(SGVR_ENTRY entry, SGVR_PARLIST list, std::wstring& name);
    // Traces the file name of every entry that failed.
    int32_t HandleSGVRError(SGVR_PARLIST list);

    // Frees the image blocks the list's entries own, then the list.
    static void DestroyList(SGVR_PARLIST list);

private:
    int32_t AddImage(const std::wstring& filePath, SGVR_PARLIST list, bool object, void* heldFile);

    SGVR_CONTEXT context_ = nullptr;
    std::wstring keyFolder_;
    FileReadApi files_;
};
