#include "PackageInstallation.h"

#include "foundation/UniqueResource.h"

#include <cstdlib>
#include <cstring>

void installPackage(const KString& packagePath) {
    STARTUPINFOW startupInfo = {};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInformation = {};

    wchar_t systemFolder[MAX_PATH] = {};
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    const KString applicationName = KString(systemFolder, KString::COPY_TEXT) + L"\\msiexec.exe";

    // The program's name goes separately as the application name. CreateProcessW may write into the
    // command line, so it gets a writable copy sized to the text: a long path is never cut.
    const KString commandText = KString(L" /i \"", KString::REFER_STATIC) + packagePath + L"\" /qb";
    const size_t commandBytes = (static_cast<size_t>(commandText.length()) + 1) * sizeof(wchar_t);
    const UniqueMemory<wchar_t> commandLine(static_cast<wchar_t*>(std::malloc(commandBytes)));
    if (!commandLine) {
        return;
    }
    std::memcpy(commandLine.get(), commandText.text(), commandBytes);

    if (!CreateProcessW(applicationName.text(), commandLine.get(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startupInfo, &processInformation)) {
        return;
    }
    const UniqueHandle process(processInformation.hProcess);
    const UniqueHandle thread(processInformation.hThread);
    WaitForSingleObject(process.get(), INFINITE);
}
