#include "HotfixLetters.h"

#include <algorithm>

std::wstring JoinHotfixLetters(std::vector<std::wstring> letters)
{
    // Ordinal, not locale-aware: the product compares the text as it is.
    std::sort(letters.begin(), letters.end());
    std::wstring joined;
    for (const std::wstring& letter : letters) {
        if (&letter != &letters.front()) joined += L'.';
        joined += letter;
    }
    return joined;
}
