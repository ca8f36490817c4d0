#pragma once

#include "foundation/KString.h"

#include <windows.h>

// The check's exit codes, documented for operators and their deployment tools.
constexpr int CHECK_READY = 0;      // everything offered would be used, every database device updated or kept
constexpr int CHECK_ATTENTION = 1;  // something the folder offers would not take effect
constexpr int CHECK_UNREADABLE = 2; // the folder cannot be read, or the command line is not understood

// What would not take effect, as the result line names it.
enum CheckAttention : unsigned {
    NOTHING_OFFERED = 1u << 0,
    PACKAGE_NOT_RECOGNISED = 1u << 1,
    PACKAGE_UNREADABLE = 1u << 2,
    PACKAGE_PASSED_OVER = 1u << 3,
    DEVICE_KEEPS_OLD_IDENTIFIER = 1u << 4,
    DATABASE_MALFORMED = 1u << 5,
    CONFIGURATION_NOT_COPIED = 1u << 6,
    SYSTEM_ACCOUNT_WITHOUT_USER = 1u << 7,
    PRODUCT_FOLDER_OUTSIDE_PROFILE = 1u << 8,
    ACCOUNT_WITHOUT_SHELL = 1u << 9,
    WINDOWS_INSTALLER_BUSY = 1u << 10,
    // What a verification after the run finds not to have taken effect.
    PRODUCT_NOT_INSTALLED = 1u << 11,
    CONFIGURATION_NOT_THERE = 1u << 12,
    LEFTOVERS_THERE = 1u << 13,
};

// The report, written line by line as the check goes: to a console as its own text, to a file or a
// pipe as UTF-8. Every character of a line that shows no glyph of its own (a control, a separator
// other than the ordinary space, a format character such as a bidirectional override, an invisible
// filler, a variation selector, a lone surrogate) is shown as an escape, "\u" and four hexadecimal
// digits, and so is a backslash that would read as the start of one: a name or path read from the
// machine can neither break, reorder nor hide the report's lines, nor print like another. It
// remembers what needs the operator's attention.
class CheckReport {
public:
    explicit CheckReport(HANDLE output);
    CheckReport(const CheckReport&) = delete;
    CheckReport& operator=(const CheckReport&) = delete;
    virtual ~CheckReport() = default;

    void line(const KString& text);
    void needsAttention(CheckAttention what) { attention |= what; }
    bool hasAttention() const { return attention != 0; }
    // Writes the result line, readyText when nothing needs attention; the exit code it names.
    int finish(const wchar_t* readyText = L"everything offered would take effect");

private:
    void write(const KString& text);

    HANDLE output; // the process's standard output, not owned
    bool isConsole;
    unsigned attention = 0;
};

// The text in double quotes.
KString quoted(const wchar_t* text);
