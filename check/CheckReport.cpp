#include "CheckReport.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

CheckReport::CheckReport(HANDLE output) : output(output) {
    DWORD mode = 0;
    isConsole = GetConsoleMode(output, &mode) != FALSE;
}

void CheckReport::line(const KString& text) {
    write(text + L"\r\n");
}

int CheckReport::finish() {
    if (attention == 0) {
        line(KString(L"Result: exit code 0, everything offered would take effect", KString::REFER_STATIC));
        return CHECK_READY;
    }
    constexpr struct {
        CheckAttention what;
        const wchar_t* text;
    } REASONS[] = {
        {NOTHING_OFFERED, L"the folder offers no package and no configuration file"},
        {PACKAGE_NOT_RECOGNISED, L"a package's name is not one the installer knows"},
        {PACKAGE_UNREADABLE, L"a package cannot be read as a Windows Installer package"},
        {PACKAGE_PASSED_OVER, L"a package would be passed over"},
        {DEVICE_NOT_UPDATED, L"a database device would not be updated"},
        {DATABASE_MALFORMED, L"a database is too short or malformed"},
        {CONFIGURATION_NOT_COPIED, L"a configuration file would not be copied"},
        {SYSTEM_ACCOUNT_WITHOUT_USER,
         L"as the system account it finds no signed-in user, so the configuration would go to the system "
         L"account's own folder"},
    };
    KString result(L"Result: exit code 1", KString::REFER_STATIC);
    const wchar_t* separator = L": ";
    for (const auto& reason : REASONS) {
        if ((attention & reason.what) != 0) {
            result = result + separator + reason.text;
            separator = L"; ";
        }
    }
    line(result);
    return CHECK_ATTENTION;
}

void CheckReport::write(const KString& text) {
    DWORD written = 0;
    if (isConsole) {
        WriteConsoleW(output, text.text(), static_cast<DWORD>(text.length()), &written, nullptr);
        return;
    }
    KString buffered = text;
    const char* const utf8 = buffered.utf8();
    if (utf8 != nullptr) {
        WriteFile(output, utf8, static_cast<DWORD>(std::strlen(utf8)), &written, nullptr);
    }
}

KString quoted(const wchar_t* text) {
    const size_t length = std::wcslen(text);
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc((length + 3) * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return KString();
    }
    buffer[0] = L'"';
    for (size_t index = 0; index < length; ++index) {
        buffer[index + 1] = text[index] < L' ' || text[index] == 0x7F ? L'?' : text[index];
    }
    buffer[length + 1] = L'"';
    buffer[length + 2] = L'\0';
    return KString(buffer, KString::ADOPT_BUFFER);
}
