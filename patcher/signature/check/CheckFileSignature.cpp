#include "CheckFileSignature.h"

#include "FileSignChecker.h"

bool CheckFileSignature(const std::wstring& keyFolder, const std::wstring& filePath, void* heldFile) {
    FileSignChecker checker(keyFolder);
    return checker.CheckFileSign(filePath, heldFile);
}
