#pragma once
// The fix this program carries, as the build names it (ZEP_FIX_ID), and the
// file name its package is written and checked under.
#include "FixIdentity.h"

inline constexpr wchar_t kFixIdentifier[] = ZEP_FIX_IDENTIFIER;
inline constexpr wchar_t kPackageFileName[] = ZEP_FIX_IDENTIFIER L".msp";
