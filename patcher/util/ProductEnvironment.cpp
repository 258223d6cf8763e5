#include "ProductEnvironment.h"

#include "Registry.h"

unsigned long ReadProductEnvironmentValue(const wchar_t* valueName, std::vector<wchar_t>& value) {
    return ReadRegStringValueFromKey(valueName, kProductEnvironmentKey, HKEY_LOCAL_MACHINE, value);
}
