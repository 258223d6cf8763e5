#pragma once
// Steps outside the package that belong to an earlier fix, "hf27": it turns
// off a setting of the product's filter driver, and turns it back on when the
// fix is removed. A patcher that carries another fix passes over them.
#include <string>

// Selectors: run the actions below only for the fix identifier "hf27"
// (compared case-sensitively over the whole string).
void ApplyHf27Actions(std::wstring fixIdentifier);
void RollbackHf27Actions(std::wstring fixIdentifier);

// Sets CD_ID_Disabled of the filter driver's parameters to REG_DWORD 1,
// creating the key when absent. Throws std::logic_error on failure.
void ApplyHf27Actions();

// Leaves CD_ID_Disabled present as an empty REG_NONE value. The key must
// exist already. Throws std::logic_error on failure.
void RollbackHf27Actions();
