#include "UnixSymbolicLink.h"

#include "foundation/UniqueResource.h"

#include <windows.h>

namespace {

constexpr DWORD LINK_TIMEOUT_MS = 10000;

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

// Starts a Linux program; Wine gives no process handle for it, so nothing is waited for here.
bool startUnixProgram(const std::string& commandLine) {
    std::wstring wide(commandLine.begin(), commandLine.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    if (!CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &created)) {
        return false;
    }
    const UniqueHandle process(created.hProcess);
    const UniqueHandle thread(created.hThread);
    return true;
}

// Until the name is there (or gone), at most LINK_TIMEOUT_MS.
bool awaitName(const KString& path, bool present) {
    for (DWORD waited = 0; waited < LINK_TIMEOUT_MS; waited += 20) {
        if ((GetFileAttributesW(path.text()) != INVALID_FILE_ATTRIBUTES) == present) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

} // namespace

UnixSymbolicLink::UnixSymbolicLink(const KString& target, const KString& link)
    : linkUnixName(unixName(link)), linkName(link) {
    const std::string targetUnixName = unixName(target);
    if (targetUnixName.empty() || linkUnixName.empty()) {
        problem = "no Unix name (is this Wine?)";
    } else if (!startUnixProgram("/bin/ln -s \"" + targetUnixName + "\" \"" + linkUnixName + "\"")) {
        problem = "/bin/ln did not start: error " + std::to_string(GetLastError());
    } else if (!awaitName(link, true)) {
        problem = "no link after /bin/ln";
    }
}

UnixSymbolicLink::~UnixSymbolicLink() {
    if (!linkUnixName.empty() && startUnixProgram("/bin/rm -f \"" + linkUnixName + "\"")) {
        awaitName(linkName, false);
    }
}
