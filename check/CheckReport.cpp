#include "CheckReport.h"

#include <cstdlib>
#include <cstring>

namespace {

// Characters that show no glyph of their own, or none that tells them apart from another: controls,
// separators other than the ordinary space, format characters, invisible fillers and joiners,
// variation selectors, lone surrogates and noncharacters.
constexpr struct {
    unsigned first;
    unsigned last;
} NOT_PRINTABLE[] = {
    {0x0000, 0x001F}, // C0 controls, line breaks among them
    {0x007F, 0x00A0}, // DEL, the C1 controls (U+0085 a line break, U+009B a terminal's CSI), no-break space
    {0x00AD, 0x00AD}, // soft hyphen
    {0x034F, 0x034F}, // combining grapheme joiner
    {0x0600, 0x0605}, // Arabic number signs
    {0x061C, 0x061C}, // Arabic letter mark
    {0x06DD, 0x06DD}, // Arabic end of ayah
    {0x070F, 0x070F}, // Syriac abbreviation mark
    {0x0890, 0x0891}, // Arabic pound and piastre marks above
    {0x08E2, 0x08E2}, // Arabic disputed end of ayah
    {0x115F, 0x1160}, // Hangul choseong and jungseong fillers
    {0x1680, 0x1680}, // Ogham space mark
    {0x17B4, 0x17B5}, // Khmer inherent vowels
    {0x180B, 0x180F}, // Mongolian variation selectors and vowel separator
    {0x2000, 0x200F}, // spaces of other widths, zero-width characters, left-to-right and right-to-left marks
    {0x2028, 0x202F}, // line and paragraph separators, bidirectional embeddings and overrides, narrow space
    {0x205F, 0x206F}, // medium space, invisible operators, bidirectional isolates, deprecated formats
    {0x2800, 0x2800}, // blank Braille pattern
    {0x3000, 0x3000}, // ideographic space
    {0x3164, 0x3164}, // Hangul filler
    {0xD800, 0xDFFF}, // surrogates, here only those without their pair
    {0xFE00, 0xFE0F}, // variation selectors
    {0xFEFF, 0xFEFF}, // zero-width no-break space
    {0xFFA0, 0xFFA0}, // halfwidth Hangul filler
    {0xFFF0, 0xFFFB}, // specials and interlinear annotation
    {0xFFFE, 0xFFFF}, // noncharacters
    {0x110BD, 0x110BD}, // Kaithi number sign
    {0x110CD, 0x110CD}, // Kaithi number sign above
    {0x13430, 0x1343F}, // Egyptian hieroglyph format controls
    {0x1BCA0, 0x1BCA3}, // shorthand format controls
    {0x1D173, 0x1D17A}, // musical symbol format controls
    {0xE0000, 0xE0FFF}, // tags, variation selectors supplement, and the rest of that default-ignorable block
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

bool isHexDigit(wchar_t unit) {
    return (unit >= L'0' && unit <= L'9') || (unit >= L'A' && unit <= L'F') || (unit >= L'a' && unit <= L'f');
}

// A backslash that the text shows as it is would, before "u" and four hexadecimal digits, read as an
// escape of a character that is not there.
bool looksLikeEscape(const wchar_t* units, int index, int length) {
    if (units[index] != L'\\' || index + 5 >= length || units[index + 1] != L'u') {
        return false;
    }
    for (int digit = index + 2; digit < index + 6; ++digit) {
        if (!isHexDigit(units[digit])) {
            return false;
        }
    }
    return true;
}

// The text with each UTF-16 unit of a character that is not printable written as \uXXXX, and a
// backslash that would read as the start of such an escape written as \u005C, so that no two texts
// print alike.
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
        const bool printable = isPrintable(codePoint) && !looksLikeEscape(units, index, length);
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

int CheckReport::finish(const wchar_t* readyText) {
    if (attention == 0) {
        line(L"Result: exit code 0, " + KString(readyText, KString::REFER_STATIC));
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
        {DEVICE_KEEPS_OLD_IDENTIFIER, L"a database device would not be updated"},
        {DATABASE_MALFORMED, L"a database is too short or malformed"},
        {CONFIGURATION_NOT_COPIED, L"a configuration file would not be copied"},
        {SYSTEM_ACCOUNT_WITHOUT_USER, L"as the system account it finds no signed-in user and no default user "
                                      L"profile, so the configuration "
                                      L"would go to the system account's own folder"},
        {ACCOUNT_WITHOUT_SHELL, L"it runs as an account without a desktop shell, so the configuration would "
                                L"go to that account's own "
                                L"folder"},
        {PRODUCT_FOLDER_OUTSIDE_PROFILE, L"the product folder lies outside the desktop user's profile"},
        {WINDOWS_INSTALLER_BUSY, L"the Windows Installer is busy with another installation"},
        {PRODUCT_NOT_INSTALLED, L"a product the folder offers is not installed"},
        {CONFIGURATION_NOT_THERE, L"a configuration file the folder offers is not in the product folder with "
                                  L"the bytes the run leaves"},
        {LEFTOVERS_THERE, L"an interrupted copy left files in the product folder"},
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
