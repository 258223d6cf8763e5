#pragma once
// Files and folders the Windows tests make and remove.
#include <string>

// Removes a folder with everything in it (or a file); nothing when absent.
void RemoveTree(const std::wstring& path);

// Creates every missing folder of a path that starts with a drive ("C:\...");
// the part after the last backslash is taken as a file name.
void CreateFolders(const std::wstring& path);

// A name in the temporary folder.
std::wstring TempPath(const std::wstring& name);

// A folder under the temporary folder that starts empty and is removed with
// everything in it afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder without a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool Exists(const std::wstring& path);

// Replaces a file's content.
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Replaces a file's content, creating its folders first.
void WriteTextFile(const std::wstring& path, const std::string& text);
