// The program's own start against the C runtime's, both started as a deployment tool starts a program:
// wWinMain gets the same from both, and the process ends with wWinMain's result.

#include "StartProbe.h"
#include "support/Programs.h"

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ProbeRun {
    DWORD exitCode;
    std::wstring report;
};

ProbeRun runProbe(const wchar_t* probeName, const wchar_t* arguments) {
    const TemporaryFolder folder;
    const KString reportPath = folder.join(L"\\report.txt");
    ProbeRun run = {~0u, {}};
    {
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        const UniqueFileHandle output(CreateFileW(reportPath.text(), GENERIC_WRITE, FILE_SHARE_READ,
                                                  &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const KString program = helperProgram(probeName);
        run.exitCode =
            runProgram(program, KString(L"\"", KString::REFER_STATIC) + program + L"\"" + arguments,
                       PROCESS_TIMEOUT_MS, output.get(), SW_SHOWMINNOACTIVE);
    }
    std::string bytes;
    if (readFileBytes(reportPath, bytes)) {
        run.report.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }
    return run;
}

} // namespace

TEST(ProgramStart, HandsWWinMainWhatTheRuntimeWouldAndEndsWithItsResult) {
    const wchar_t* const arguments = L" \t \"D:\\Deploy here\\Profiles.db64\" /x";
    const ProbeRun runtime = runProbe(L"\\runtime_start_probe.exe", arguments);
    const ProbeRun own = runProbe(L"\\own_start_probe.exe", arguments);
    EXPECT_EQ(L"own module|no previous instance|\"D:\\Deploy here\\Profiles.db64\" /x|7", runtime.report);
    EXPECT_EQ(runtime.report, own.report);
    EXPECT_EQ(static_cast<DWORD>(START_PROBE_RESULT), runtime.exitCode);
    EXPECT_EQ(static_cast<DWORD>(START_PROBE_RESULT), own.exitCode);
}
