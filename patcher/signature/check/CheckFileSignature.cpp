#include "CheckFileSignature.h"

#include "FileSignChecker.h"

bool CheckFileSignature(const std::wstring& keyFolder, const std::wstring& filePath) {
    FileSignChecker checker(keyFolder);
    return checker.CheckFileSign(filePath);
}
