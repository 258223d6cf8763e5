// Stand-in for the framework's proxy-stub module tsstub.tsm: a module that
// names the service objects whose proxies it can marshal.
#include <windows.h>

extern "C" __declspec(dllexport) const char* TsStubObjects() { return "TaskManager"; }
