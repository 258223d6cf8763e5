// While the signature library is not built in, every package is refused.
#include "signature/check/CheckFileSignature.h"

#include <gtest/gtest.h>

#ifdef ZEP_SIGNATURE_CHECK_PENDING
TEST(PendingSignatureCheck, RefusesEveryFileAlsoAnAbsentOne) {
    EXPECT_FALSE(CheckFileSignature(L"C:\\windows\\", L"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_FALSE(CheckFileSignature(L"", L"C:\\no such file.msp"));
}
#endif
