#include "Control.h"

#include "Journal.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

std::map<std::string, int>& Counters() {
    static std::map<std::string, int> counters;
    return counters;
}

std::string ControlFile() { return OwnFolder() + "tessel.ini"; }

std::string ControlString(const char* section, const std::string& key) {
    char value[128] = {};
    GetPrivateProfileStringA(section, key.c_str(), "", value, sizeof value, ControlFile().c_str());
    return value;
}

// Counts one more use of key in section and answers whether it is still
// within the number the control file asks for.
bool Consume(const char* section, const std::string& key) {
    const std::string value = ControlString(section, key);
    if (value.empty()) return false;
    const long wanted = std::strtol(value.c_str(), nullptr, 0);
    int& used = Counters()[std::string(section) + "/" + key];
    if (wanted >= 0 && used >= wanted) return false;
    ++used;
    return true;
}

}  // namespace

void ResetControlCounters() { Counters().clear(); }

bool ShouldFail(const std::string& entry) { return Consume("fail", entry); }

bool ShouldRefuse(uint32_t messageClass, uint32_t messageId) {
    char key[32];
    snprintf(key, sizeof key, "%08X/%X", messageClass, messageId);
    return Consume("refuse", key);
}

int32_t FailureCode(const std::string& entry, uint32_t fallback) {
    const std::string value = ControlString("codes", entry);
    return static_cast<int32_t>(value.empty() ? fallback : std::strtoul(value.c_str(), nullptr, 0));
}

int ControlInt(const char* section, const char* key, int fallback) {
    const std::string value = ControlString(section, key);
    return value.empty() ? fallback : static_cast<int>(std::strtol(value.c_str(), nullptr, 0));
}
