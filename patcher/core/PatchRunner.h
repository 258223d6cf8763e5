#pragma once
// One run of the patcher's work: finds the installed product, keeps its
// Patches folder and Patches.ini, and installs or removes the fix at once or
// arranges for that to happen at the next shutdown.
#include "CmdParser.h"
#include "diagnostics/EventMessage.h"

#include <boost/shared_ptr.hpp>

#include <string>

class CPatchManager;
class CUsingORX;

// The product's installation folder from its environment key, ending in a
// backslash or a slash. Throws std::logic_error ("GetProductFolder: ...").
std::wstring GetProductFolder();

class CPatchRunner {
public:
    // Creates the Patches folder and the patch manager (which brings
    // Patches.ini up to date). Throws std::logic_error on failure.
    CPatchRunner(boost::shared_ptr<CCMDParser> parser, bool verifyPackages, const std::wstring& fixIdentifier);
    ~CPatchRunner();

    CPatchRunner(const CPatchRunner&) = delete;
    CPatchRunner& operator=(const CPatchRunner&) = delete;

    // Performs the one course the switches choose; every failure is thrown.
    void RunPrivatePatch(boost::shared_ptr<CUsingORX> link);

    // Registers the script as a machine shutdown script with the user's
    // switches, "/when now" and "/clean".
    void CreateShutdownScript(const std::wstring& scriptPath);

    // Apply the embedded package, or remove its patch, with msiexec at once.
    void ApplyPrivatePachesNow();
    void UninstallPrivatePachesNow();

    std::wstring GetPrivatePatchGUID() const;

    const std::wstring& ProductFolder() const { return productFolder_; }
    const std::wstring& PatchesFolder() const { return patchesFolder_; }

private:
    bool IsFixApplied() const;
    // Runs the system's msiexec.exe (by full path) with the command line and
    // waits for it to end.
    void RunMsiexec(const std::wstring& commandLine, const wchar_t* operation, const wchar_t* successFormat) const;

    boost::shared_ptr<CCMDParser> parser_;
    bool verifyPackages_;
    std::wstring modulePath_;
    CEventMessage messages_;
    std::wstring productFolder_;
    std::wstring patchesFolder_;
    std::wstring stateFilePath_;
    boost::shared_ptr<CPatchManager> patchManager_;
    std::wstring fixIdentifier_;
};
