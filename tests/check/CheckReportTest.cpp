// The report's lines as a file receives them: every character that is not printable text shows as
// an escape, wherever it comes from, and printable text of any script stays as it is.

#include "check/CheckReport.h"

#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CheckReport, ShowsWhatIsNotPrintableAsEscapes) {
    const struct {
        const wchar_t* text;
        const char* shown; // UTF-8
    } cases[] = {
        {L"Line 1\r\nResult: exit code 0", "Line 1\\u000D\\u000AResult: exit code 0"},
        {L"tab\tand delete\x7F", "tab\\u0009and delete\\u007F"},
        {L"next line\x0085, CSI\x009B"
         L"2J",
         "next line\\u0085, CSI\\u009B2J"},
        {L"line\x2028paragraph\x2029", "line\\u2028paragraph\\u2029"},
        {L"\x202E"
         L"fdp.exe\x202C, \x2066isolate\x2069, \x200Fmark",
         "\\u202Efdp.exe\\u202C, \\u2066isolate\\u2069, \\u200Fmark"},
        {L"zero\x200Bwidth\xFEFF, soft\x00ADhyphen", "zero\\u200Bwidth\\uFEFF, soft\\u00ADhyphen"},
        {L"lone \xD800 and \xDC00", "lone \\uD800 and \\uDC00"},
        {L"tag \xDB40\xDC41", "tag \\uDB40\\uDC41"},
        // Invisible, spacing nothing of its own, or spacing like an ordinary space.
        {L"no-break\x00A0space, ideographic\x3000space, figure\x2007space",
         "no-break\\u00A0space, "
         "ideographic\\u3000space, figure\\u2007space"},
        {L"joiner\x034F, filler\x3164\x115F\xFFA0, blank\x2800",
         "joiner\\u034F, filler\\u3164\\u115F\\uFFA0, "
         "blank\\u2800"},
        {L"selector\xFE0F, \xDB40\xDD00, Mongolian\x180B",
         "selector\\uFE0F, \\uDB40\\uDD00, Mongolian\\u180B"},
        {L"number sign\x0600, ayah\x06DD", "number sign\\u0600, ayah\\u06DD"},
        // A backslash that would read as an escape is one itself, so that the six characters of an
        // escape never print like the character it stands for; other backslashes stay.
        {L"\\u202E and \x202E", "\\u005Cu202E and \\u202E"},
        {L"C:\\users\\u12\\uABCDE\\u12G4", "C:\\users\\u12\\u005CuABCDE\\u12G4"},
        {L"C:\\Users\\Ren\x00E9"
         L"e \x03A9 \x97F3 \xD83C\xDFB5",
         "C:\\Users\\Ren\xC3\xA9"
         "e \xCE\xA9 \xE9\x9F\xB3 \xF0\x9F\x8E\xB5"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.shown);
        const TemporaryFolder folder;
        const KString path = folder.join(L"\\report.txt");
        {
            const UniqueFileHandle output(CreateFileW(path.text(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                      FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(output.isValid()) << GetLastError();
            CheckReport report(output.get());
            report.line(KString(test.text, KString::REFER_STATIC));
        }
        std::string bytes;
        ASSERT_TRUE(readFileBytes(path, bytes));
        EXPECT_EQ(std::string(test.shown) + "\r\n", bytes);
    }
}

} // namespace
