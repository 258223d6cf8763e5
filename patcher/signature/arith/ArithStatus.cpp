#include "arith/ArithStatus.h"

namespace sgvr {

uint32_t StatusFromSmallResult(int smallResult) {
    static const uint32_t kTable[17] = {
        kStatusOk,                                                                 // 0
        kStatusSignatureUnusable, kStatusSignatureUnusable,                        // 1, 2
        kStatusNoKey,                                                              // 3
        kStatusSignatureUnusable,                                                  // 4
        kStatusSignatureMismatch,                                                  // 5
        kStatusSignatureUnusable, kStatusSignatureUnusable, kStatusSignatureUnusable,
        kStatusSignatureUnusable,                                                  // 6..9
        kStatusFileRead,                                                           // 10
        kStatusUndecodable, kStatusUndecodable,                                    // 11, 12
        kStatusSignatureUnusable, kStatusSignatureUnusable,                        // 13, 14
        kStatusInvalidArg,                                                         // 15
        kStatusImageMissing,                                                       // 16
    };
    if (smallResult < 0 || smallResult > 16) return kStatusSignatureMismatch;
    return kTable[smallResult];
}

}  // namespace sgvr
