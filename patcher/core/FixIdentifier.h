#pragma once
// The fix this program carries. A vendor build may name another one.
#ifndef ZEP_FIX_IDENTIFIER
#define ZEP_FIX_IDENTIFIER L"hf41"
#endif
inline constexpr wchar_t kFixIdentifier[] = ZEP_FIX_IDENTIFIER;
