#include "CheckReport.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr struct {
    unsigned first;
    unsigned last;
} NOT_PRINTABLE[] = {
    {0x0000, 0x001F},   // C0 controls, line breaks among them
    {0x007F, 0x009F},   // DEL and the C1 controls (U+0085 is a line break, U+009B a terminal's CSI)
    {0x00AD, 0x00AD},   // soft hyphen
    {0x061C, 0x061C},   // Arabic letter mark
    {0x180E, 0x180E},   // Mongolian vowel separator
    {0x200B, 0x200F},   // zero-width characters, left-to-right and right-to-left marks
    {0x2028, 0x202E},   // line and paragraph separators, bidirectional embeddings and overrides
    {0x2060, 0x206F},   // invisible operators, bidirectional isolates, deprecated format characters
    {0xD800, 0xDFFF},   // surrogates, here only those without their pair
    {0xFEFF, 0xFEFF},   // zero-width no-break space
    {0xFFF9, 0xFFFB},   // interlinear annotation
    {0xFFFE, 0xFFFF},   // noncharacters
    {0xE0000, 0xE007F}, // tags
};

bool isPrintable(unsigned codePoint) {
    for (const auto& range : NOT_PRINTABLE) {
        if (codePoint >= range.first && codePoint <= range.last) {
            return false;
        }
    }
    return true;
}

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The text with each UTF-16 unit of a character that is not printable written as \uXXXX.
KString escaped(const KString& text) {
    constexpr int ESCAPE_UNITS = 6;
    const wchar_t* const units = text.text();
    const int length = text.length();
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc((length * ESCAPE_UNITS + 1) * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return KString();
    }
    int written = 0;
    for (int index = 0; index < length;) {
        const bool isPair =
            isHighSurrogate(units[index]) && index + 1 < length && isLowSurrogate(units[index + 1]);
        const int count = isPair ? 2 : 1;
        const unsigned codePoint =
            isPair ? 0x10000 + ((units[index] - 0xD800u) << 10) + (units[index + 1] - 0xDC00u) : units[index];
        const bool printable = isPrintable(codePoint);
        for (int unit = index; unit < index + count; ++unit) {
            if (printable) {
                buffer[written++] = units[unit];
                continue;
            }
            constexpr wchar_t DIGITS[] = L"0123456789ABCDEF";
            buffer[written++] = L'\\';
            buffer[written++] = L'u';
            for (int shift = 12; shift >= 0; shift -= 4) {
                buffer[written++] = DIGITS[(units[unit] >> shift) & 0xF];
            }
        }
        index += count;
    }
    buffer[written] = L'\0';
    return KString(buffer, KString::ADOPT_BUFFER, written);
}

} // namespace

CheckReport::CheckReport(HANDLE output) : output(output) {
    DWORD mode = 0;
    isConsole = GetConsoleMode(output, &mode) != FALSE;
}

void CheckReport::line(const KString& text) {
    write(escaped(text) + L"\r\n");
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
        {PRODUCT_FOLDER_OUTSIDE_PROFILE, L"the product folder lies outside the desktop user's profile"},
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
    return L"\"" + KString(text, KString::COPY_TEXT) + L"\"";
}
