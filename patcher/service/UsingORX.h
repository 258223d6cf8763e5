#pragma once
// The patcher's connection to the product service orx.exe: makes sure the
// service runs, attaches to its "TaskManager" object and sends it the
// patcher's requests. Failures are std::logic_error.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class CTesselRemote;
class CTaskManagerLink;

class CUsingORX {
public:
    using WaitFunction = void(WINAPI*)(DWORD milliseconds);

    // Makes the product folder the current folder, loads the framework and
    // connects in up to three tries. Every wait goes through `wait` (tests
    // pass one that returns at once).
    explicit CUsingORX(HINSTANCE instance, WaitFunction wait = ::Sleep);
    // Stops the service if this object started it; releases the framework.
    ~CUsingORX();

    CUsingORX(const CUsingORX&) = delete;
    CUsingORX& operator=(const CUsingORX&) = delete;

    // Announces the current process to the service.
    void RegisterSelfInvisible();
    // Asks the product to request an OS restart and to update its state.
    void SetStatusNeedRebootOS();
    // Stops the service if this object started it or the current try failed.
    void StopORXIfNeed();
    // Whether the service process runs, waiting up to 30 seconds for it.
    bool WaitORX();

private:
    void Connect();
    std::wstring EnterProductFolder();
    void EnsureServiceRuns();
    void LoadProxyStub();
    void AttachTaskManager();
    void Send(const wchar_t* operation, uint32_t messageClass, uint32_t messageId, void* buffer, uint32_t* size);
    bool HasTaskManager() const;

    std::unique_ptr<CTesselRemote> connection_;
    std::unique_ptr<CTaskManagerLink> link_;
    bool startedService_;
    bool connectFailed_;
    WaitFunction wait_;

    friend class CUsingORXTestAccess;  // tests reach where no operation leads
};
