#include "UnixProgram.h"

#include "foundation/UniqueResource.h"

namespace {

constexpr DWORD NAME_TIMEOUT_MS = 10000;
constexpr DWORD NAME_POLL_MS = 20;

} // namespace

std::string unixName(const KString& path) {
    using UnixFileNameFunction = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<UnixFileNameFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* const name = toUnix != nullptr ? toUnix(path.text()) : nullptr;
    if (name == nullptr) {
        return std::string();
    }
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool startUnixProgram(const std::string& commandLine, HANDLE output) {
    std::wstring wide(commandLine.begin(), commandLine.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION created{};
    if (!CreateProcessW(nullptr, &wide[0], nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &startup,
                        &created)) {
        return false;
    }
    // For a Linux program Wine gives no process handle, and its thread field then holds no handle of
    // this process: closing that value could close one of the caller's (a token, a file).
    const UniqueHandle process(created.hProcess);
    const UniqueHandle thread(created.hProcess != nullptr ? created.hThread : nullptr);
    return true;
}

bool awaitName(const KString& path, bool present) {
    for (DWORD waited = 0; waited < NAME_TIMEOUT_MS; waited += NAME_POLL_MS) {
        if ((GetFileAttributesW(path.text()) != INVALID_FILE_ATTRIBUTES) == present) {
            return true;
        }
        Sleep(NAME_POLL_MS);
    }
    return false;
}
