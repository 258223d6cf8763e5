// The package signature check under Wine: key registries and packages made by
// sgvrtool at build time, the trace lines of every outcome, and the file reading.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ScratchFolder.h"
#include "TestText.h"
#include "TraceFile.h"
#include "signature/check/CheckFileSignature.h"
#include "signature/check/CheckerResult.h"
#include "signature/check/FileSignChecker.h"
#include "signature/check/ZelExceptions.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Contains;

namespace {

std::wstring Registry(const char* name) { return HostPath(std::string(ZEP_SGVR_REGISTRIES) + "/" + name); }
std::wstring Data(const char* name) { return HostPath(std::string(ZEP_SGVR_DATA) + "/" + name); }

std::string Code(uint32_t code) { return std::to_string(static_cast<int>(code)); }

const std::string kFiles = "FileSignChecker::CheckFilesSign: ";
const std::string kOk = Code(0xE9BA5770);  // "-373663888"

void CopyTo(const std::wstring& from, const std::wstring& to) {
    ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << " error " << GetLastError();
}


class FileSignCheck : public ::testing::Test {
protected:
    void SetUp() override {
        CopyTo(Registry("tl.pbv"), product_ / L"tl.pbv");
        CopyTo(Registry("oper.pbv"), product_ / L"oper.pbv");
        CopyTo(Data("hf41.msp"), package_);
    }

    std::wstring Keys() const { return product_.path() + L"\\"; }

    // The lines of a successful load and add of one registry or object.
    std::vector<std::string> Loaded(const std::wstring& path, bool object) const {
        return {"NTF LoadFile: LoadFile name - <" + Narrow(path) + "> result <0>",
                std::string("NTF ") + (object ? "AddObjectImage: Successfully added object" : "AddRegistryImage: Successfully added registry") +
                    " image with name - <" + Narrow(path) + ">, result <" + kOk + ">"};
    }
    std::vector<std::string> RegistriesPrepared() const {
        std::vector<std::string> lines{"NTF " + kFiles + "Start"};
        for (const wchar_t* name : {L"tl.pbv", L"oper.pbv"})
            for (const std::string& l : Loaded(Keys() + name, false)) lines.push_back(l);
        lines.push_back("NTF " + kFiles + "Successfully prepared regs set, result - <" + kOk + ">");
        return lines;
    }
    // Expected trace of one package that the library refuses.
    std::vector<std::string> RefusedPackage(const std::wstring& path) const {
        std::vector<std::string> lines = RegistriesPrepared();
        for (const std::string& l : Loaded(path, true)) lines.push_back(l);
        lines.push_back("NTF " + kFiles + "Successfully added all object image, result <0>");
        lines.push_back("ERR " + kFiles + "Error check files sign - result <" + Code(0xC58506ED) + ">");
        lines.push_back("NTF FileSignChecker::HandleSGVRError: ConsistencyCheckFailed - module name = <" + Narrow(path) + ">");
        return lines;
    }
    std::vector<std::string> RefusedRegistries(uint32_t code) const {
        std::vector<std::string> lines{"NTF " + kFiles + "Start"};
        for (const wchar_t* name : {L"tl.pbv", L"oper.pbv"})
            for (const std::string& l : Loaded(Keys() + name, false)) lines.push_back(l);
        lines.push_back("ERR " + kFiles + "Can't prepare regs set, result - <" + Code(code) + ">");
        return lines;
    }

    ScratchFolder product_{L"sgvr-product"};
    std::wstring package_ = product_ / L"hf41.msp";
};

}  // namespace

TEST_F(FileSignCheck, SignedPackagePasses) {
    TraceCapture trace;
    EXPECT_TRUE(CheckFileSignature(Keys(), package_));
    std::vector<std::string> expected = RegistriesPrepared();
    for (const std::string& l : Loaded(package_, true)) expected.push_back(l);
    expected.push_back("NTF " + kFiles + "Successfully added all object image, result <0>");
    expected.push_back("NTF " + kFiles + "Check files sign is ok, result <" + kOk + ">");
    EXPECT_THAT(trace.Tagged(), ElementsAreArray(expected));
}

namespace {

// A package the library refuses, made from the signed one.
struct RefusedPackageCase {
    const char* name;
    std::string (*bytes)(const std::string& signedPackage);
    const wchar_t* fileName;
};

std::string FlipBeforeTrailer(const std::string& good) {
    std::string bytes = good;
    bytes[1000] ^= 1;
    return bytes;
}
std::string AlterTrailerText(const std::string& good) {
    std::string bytes = good;
    char& c = bytes[bytes.size() - 40];
    c = c == 'A' ? 'B' : 'A';
    return bytes;
}
std::string Unchanged(const std::string& good) { return good; }
std::string Unsigned(const std::string&) { return ReadBytes(Data("unsigned.msp")); }
std::string SignedByStranger(const std::string&) { return ReadBytes(Data("stranger\\hf41.msp")); }

class PackageRefused : public FileSignCheck, public ::testing::WithParamInterface<RefusedPackageCase> {};

}  // namespace

TEST_P(PackageRefused, FailsWithTheConsistencyTrace) {
    const std::wstring dir = product_ / L"case";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring file = dir + L"\\" + GetParam().fileName;
    WriteBytes(file, GetParam().bytes(ReadBytes(package_)));
    TraceCapture trace;
    FileSignChecker checker(Keys());
    EXPECT_EQ(checker.CheckFilesSign({file}), kCheckLibraryFailed);
    EXPECT_THAT(trace.Tagged(), ElementsAreArray(RefusedPackage(file)));
}

INSTANTIATE_TEST_SUITE_P(FileSignCheck, PackageRefused,
                         ::testing::Values(RefusedPackageCase{"AByteBeforeTheTrailer", FlipBeforeTrailer, L"hf41.msp"},
                                           RefusedPackageCase{"TheTrailersText", AlterTrailerText, L"hf41.msp"},
                                           RefusedPackageCase{"AnotherFileName", Unchanged, L"other.msp"},
                                           RefusedPackageCase{"NoSignature", Unsigned, L"hf41.msp"},
                                           RefusedPackageCase{"AKeyNobodyVouchesFor", SignedByStranger, L"hf41.msp"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileSignCheck, ForwardSlashesAndCapitalsMatchByTheLowerCasedName) {
    const std::wstring dir = product_ / L"Sub";
    CreateDirectoryW(dir.c_str(), nullptr);
    CopyTo(package_, dir + L"\\HF41.MSP");
    std::wstring path = dir + L"/HF41.MSP";
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    TraceCapture trace;
    EXPECT_TRUE(CheckFileSignature(Keys(), path));
    // The trace names the path as the caller spelled it.
    EXPECT_THAT(trace.Tagged(), Contains(HasSubstr("Successfully added object image with name - <" + Narrow(path) + ">")));
}

TEST_F(FileSignCheck, MissingRootRegistryStopsBeforeOperPbv) {
    DeleteFileW((product_ / L"tl.pbv").c_str());
    TraceCapture trace;
    FileSignChecker checker(Keys());
    EXPECT_EQ(checker.CheckFilesSign({package_}), kCheckFileNotFound);
    EXPECT_THAT(trace.Tagged(), ElementsAre("NTF " + kFiles + "Start",
                                            "NTF LoadFile: LoadFile name - <" + Narrow(Keys()) + "tl.pbv> result <" +
                                                Code(0x80010102) + ">"));
    EXPECT_FALSE(CheckFileSignature(Keys(), package_));
}

TEST_F(FileSignCheck, MissingOperPbv) {
    DeleteFileW((product_ / L"oper.pbv").c_str());
    TraceCapture trace;
    FileSignChecker checker(Keys());
    EXPECT_EQ(checker.CheckFilesSign({package_}), kCheckFileNotFound);
    const std::vector<std::string> tl = Loaded(Keys() + L"tl.pbv", false);
    EXPECT_THAT(trace.Tagged(), ElementsAre("NTF " + kFiles + "Start", tl[0], tl[1],
                                            "NTF LoadFile: LoadFile name - <" + Narrow(Keys()) + "oper.pbv> result <" +
                                                Code(0x80010102) + ">"));
}

namespace {

// A key registry out of the order of trust or damaged, in place of tl.pbv or
// oper.pbv, and the library's code for it.
struct RefusedRegistryCase {
    const char* name;
    const wchar_t* file;
    std::string (*bytes)();
    uint32_t code;
};

std::string RootWrongSigner() { return ReadBytes(Data("tl-wrong-signer.pbv")); }
std::string OperByBuiltin() { return ReadBytes(Data("oper-by-builtin.pbv")); }
std::string OperTreeId() { return ReadBytes(Data("oper-tree-id.pbv")); }
std::string RootFlipped() {
    std::string bytes = ReadBytes(Registry("tl.pbv"));
    bytes[30] ^= 0x40;
    return bytes;
}
std::string OperTruncated() {
    std::string bytes = ReadBytes(Registry("oper.pbv"));
    bytes.resize(bytes.size() - 20);
    return bytes;
}
std::string RootAsOper() { return ReadBytes(Registry("tl.pbv")); }

class RegistryRefused : public FileSignCheck, public ::testing::WithParamInterface<RefusedRegistryCase> {};

}  // namespace

TEST_P(RegistryRefused, StopsThePreparationWithItsCode) {
    WriteBytes(product_ / GetParam().file, GetParam().bytes());
    TraceCapture trace;
    FileSignChecker checker(Keys());
    EXPECT_EQ(checker.CheckFilesSign({package_}), kCheckLibraryFailed);
    EXPECT_THAT(trace.Tagged(), ElementsAreArray(RefusedRegistries(GetParam().code)));
}

INSTANTIATE_TEST_SUITE_P(
    FileSignCheck, RegistryRefused,
    ::testing::Values(RefusedRegistryCase{"RootNotSignedByTheBuiltInKey", L"tl.pbv", RootWrongSigner, 0x38F3542D},
                      RefusedRegistryCase{"IntermediateSignedByTheBuiltInKey", L"oper.pbv", OperByBuiltin, 0x38F3542D},
                      RefusedRegistryCase{"IntermediateWhoseTreeNamesAnotherId", L"oper.pbv", OperTreeId, 0xE75ABF28},
                      RefusedRegistryCase{"RootAlteredInOneByte", L"tl.pbv", RootFlipped, 0x38F3542D},
                      RefusedRegistryCase{"IntermediateTruncated", L"oper.pbv", OperTruncated, 0x08CD9BAC},
                      RefusedRegistryCase{"IntermediateReplacedByARoot", L"oper.pbv", RootAsOper, 0x8F995FFD}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileSignCheck, EmptyFileCannotBeAdded) {
    const std::wstring empty = product_ / L"empty.msp";
    WriteBytes(empty, "");
    TraceCapture trace;
    FileSignChecker checker(Keys());
    EXPECT_EQ(checker.CheckFilesSign({empty, package_}), kCheckLibraryFailed);
    std::vector<std::string> expected = RegistriesPrepared();
    expected.push_back("NTF LoadFile: LoadFile name - <" + Narrow(empty) + "> result <0>");
    expected.push_back("ERR AddObjectImage: Can't add object image with name - <" + Narrow(empty) + ">, result <" +
                       Code(0xD10CC37A) + ">");
    expected.push_back("ERR " + kFiles + "Can't add object image, result <" + Code(0x80000040) + ">");
    EXPECT_THAT(trace.Tagged(), ElementsAreArray(expected));  // the second path is never added
}

TEST_F(FileSignCheck, EmptyPathListHasNoObject) {
    TraceCapture trace;
    FileSignChecker checker(Keys());
    EXPECT_EQ(checker.CheckFilesSign({}), kCheckLibraryFailed);
    std::vector<std::string> expected = RegistriesPrepared();
    expected.push_back("NTF " + kFiles + "Successfully added all object image, result <0>");
    expected.push_back("ERR " + kFiles + "Error check files sign - result <" + Code(0xA200485B) + ">");
    EXPECT_THAT(trace.Tagged(), ElementsAreArray(expected));
}

TEST_F(FileSignCheck, SeveralFilesListEveryFailure) {
    const std::wstring unsignedCopy = product_ / L"unsigned.msp";
    const std::wstring renamed = product_ / L"renamed.msp";
    CopyTo(Data("unsigned.msp"), unsignedCopy);
    CopyTo(package_, renamed);
    TraceCapture trace;
    FileSignChecker checker(Keys());
    EXPECT_EQ(checker.CheckFilesSign({unsignedCopy, package_, renamed}), kCheckLibraryFailed);
    const std::vector<std::string> lines = trace.Tagged();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2],
              "NTF FileSignChecker::HandleSGVRError: ConsistencyCheckFailed - module name = <" + Narrow(unsignedCopy) + ">");
    EXPECT_EQ(lines.back(),
              "NTF FileSignChecker::HandleSGVRError: ConsistencyCheckFailed - module name = <" + Narrow(renamed) + ">");
}

namespace {

// Counting wrappers around the system's file functions.
int g_opens = 0, g_reads = 0, g_failFirstOpens = 0;
DWORD g_openError = ERROR_FILE_NOT_FOUND;

HANDLE WINAPI CountingCreateFile(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD disposition,
                                 DWORD flags, HANDLE tmpl) {
    if (g_opens++ < g_failFirstOpens) {
        SetLastError(g_openError);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(name, access, share, sa, disposition, flags, tmpl);
}

BOOL WINAPI CountingReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    ++g_reads;
    EXPECT_EQ(size, 10240u);
    return ReadFile(file, buffer, size, read, overlapped);
}

FileReadApi CountingApi(int failFirstOpens, DWORD error = ERROR_FILE_NOT_FOUND) {
    g_opens = g_reads = 0;
    g_failFirstOpens = failFirstOpens;
    g_openError = error;
    FileReadApi api;
    api.createFile = CountingCreateFile;
    api.readFile = CountingReadFile;
    return api;
}

}  // namespace

TEST_F(FileSignCheck, LoadFileReadsInChunksOf10240Bytes) {
    const std::wstring exact = product_ / L"exact.bin";
    WriteBytes(exact, std::string(10240, 'e'));
    FileSignChecker checker(Keys(), CountingApi(0));
    std::vector<uint8_t> buffer{1, 2, 3};
    EXPECT_EQ(checker.LoadFile(exact, buffer), 0);
    EXPECT_EQ(buffer.size(), 10240u);
    EXPECT_EQ(g_reads, 2);  // the second read returns 0 bytes

    WriteBytes(exact, std::string(20481, 'f'));
    CountingApi(0);
    EXPECT_EQ(checker.LoadFile(exact, buffer), 0);
    EXPECT_EQ(buffer, std::vector<uint8_t>(20481, 'f'));
    EXPECT_EQ(g_reads, 4);
}

TEST_F(FileSignCheck, FileNotFoundIsTriedAgainWithRedirectionOff) {
    // The first open reports file not found, as a 32-bit process's redirected
    // open of a file in the real system folder does; the second one finds it.
    FileSignChecker checker(Keys(), CountingApi(1));
    std::vector<uint8_t> buffer;
    TraceCapture trace;
    EXPECT_EQ(checker.LoadFile(package_, buffer), 0);
    EXPECT_EQ(g_opens, 2);
    EXPECT_EQ(buffer.size(), ReadBytes(package_).size());
    EXPECT_THAT(trace.Tagged(), ElementsAre("NTF LoadFile: LoadFile name - <" + Narrow(package_) + "> result <0>"));

    // Other errors are not retried, and map through the table.
    FileSignChecker denied(Keys(), CountingApi(5, ERROR_ACCESS_DENIED));
    EXPECT_EQ(denied.LoadFile(package_, buffer), static_cast<int32_t>(0x80000045));
    EXPECT_EQ(g_opens, 1);
    EXPECT_TRUE(buffer.empty());
    // Not found twice: the mapped code of the second open.
    FileSignChecker missing(Keys(), CountingApi(5));
    EXPECT_EQ(missing.LoadFile(package_, buffer), kCheckFileNotFound);
    EXPECT_EQ(g_opens, 2);
}

TEST_F(FileSignCheck, FileHeldOpenElsewhereIsASharingViolation) {
    HANDLE held = CreateFileW(package_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileSignChecker checker(Keys());
    std::vector<uint8_t> buffer;
    EXPECT_EQ(checker.LoadFile(package_, buffer), static_cast<int32_t>(0x80010104));
    CloseHandle(held);
}

TEST_F(FileSignCheck, HeldFileIsReadThroughItsHandleFromItsStart) {
    // The path only names the object; its bytes come from the handle, however
    // far the handle has been read already, and the path is not opened again.
    HANDLE genuine = CreateFileW(package_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(genuine, INVALID_HANDLE_VALUE);
    char skipped[100];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(genuine, skipped, sizeof skipped, &read, nullptr));
    FileSignChecker checker(Keys(), CountingApi(0));
    TraceCapture trace;
    EXPECT_TRUE(checker.CheckFileSign(package_, genuine));
    EXPECT_EQ(g_opens, 2);  // tl.pbv and oper.pbv only
    EXPECT_THAT(trace.Tagged(), Contains("NTF LoadFile: LoadFile name - <" + Narrow(package_) + "> result <0>"));

    // An altered copy held under the genuine package's name is refused.
    const std::wstring altered = product_ / L"altered.msp";
    std::string bytes = ReadBytes(package_);
    bytes[bytes.size() / 2] ^= 0x01;
    WriteBytes(altered, bytes);
    HANDLE other = CreateFileW(altered.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CheckFileSignature(Keys(), package_, other));
    CloseHandle(other);
    // The caller's handle stays open and usable.
    EXPECT_NE(SetFilePointer(genuine, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(ReadFile(genuine, skipped, sizeof skipped, &read, nullptr));
    EXPECT_EQ(read, sizeof skipped);
    CloseHandle(genuine);
}

namespace {
void* OtherAlloc(size_t n) { return std::malloc(n); }
void OtherFree(void* p) { std::free(p); }
}  // namespace

TEST(FileSignCheckerStart, LibraryThatCannotStartRaisesRuntimeError) {
    // The memory callbacks are process-wide: another pair installed first
    // keeps the checker's context from being created. Run in a child process.
    EXPECT_EXIT(
        {
            SGVR_DestroyContext(SGVR_CreateContext(OtherAlloc, OtherFree, nullptr, 0), 0);
            int code = 3;
            try {
                CheckFileSignature(L"C:\\", L"C:\\x.msp");
            } catch (const zel::RuntimeError& e) {
                code = e.Line() == 18 && e.File() == ".\\FileSignChecker" && e.Message().empty() &&
                               std::string(e.what()) == "RuntimeError"
                           ? 0
                           : 2;
            }
            std::exit(code);
        },
        ::testing::ExitedWithCode(0), "");
}
