#pragma once
// What a test tells the stand-ins through tessel.ini beside them:
//   [fail]    <entry>=<n>          fail the entry's next n calls (-1: every call)
//   [codes]   <entry>=<0x...>      result of a failed or refused call
//   [refuse]  <class>/<id>=<n>     refuse n messages of that class and id (hex)
//   [orx]     exit_at_once=1       orx.exe ends right after its start
// Entries are named api<N>, root<N>, rootsys<N>, proxy<N>, proxysys<N>, TSGetAPI.
#include <cstdint>
#include <string>

// Forgets how many calls have failed so far (a new session begins).
void ResetControlCounters();

// True when this call of the entry is to fail (counts the call).
bool ShouldFail(const std::string& entry);

// True when this message is to be refused (counts the message).
bool ShouldRefuse(uint32_t messageClass, uint32_t messageId);

// The code a failing entry returns, [codes] or the given default.
int32_t FailureCode(const std::string& entry, uint32_t fallback);

int ControlInt(const char* section, const char* key, int fallback);
