#pragma once

#include <windows.h>

// The length of a text without its terminator; a literal's is known when compiling.
constexpr int lengthOf(const wchar_t* text) {
    int length = 0;
    while (text[length] != L'\0') {
        ++length;
    }
    return length;
}

// The shared, reference-counted buffer behind buffered KStrings. Its text never changes once made.
struct KStringData {
    volatile LONG refCount; // changed only by interlocked operations
    char* utf8Text;         // malloc'd UTF-8 copy, made at most once under utf8Lock
    CRITICAL_SECTION utf8Lock;
    wchar_t* text; // malloc'd, NUL-terminated, owned by the record
    int length;
};

// Immutable UTF-16 text; copies share one buffer, literals are referred to rather than copied.
class KString {
public:
    static constexpr unsigned char REFER_STATIC = 1;
    static constexpr unsigned char ADOPT_BUFFER = 2;
    static constexpr unsigned char COPY_TEXT = 3;

    KString();
    // length -1 measures up to the terminator. An ADOPT_BUFFER buffer must come from malloc.
    KString(const wchar_t* text, unsigned char mode, int length = -1);
    explicit KString(const char* utf8Text);
    explicit KString(int value);
    KString(const KString& other);
    virtual ~KString();

    KString& operator=(const KString& other);
    // Refers to the static text's first length units; no text or no units is the empty string, as
    // for the constructor. A literal's length is counted when compiling.
    void assignStatic(const wchar_t* text, int length);
    template <int Units>
    void assignStatic(const wchar_t (&literal)[Units]) {
        assignStatic(literal, Units - 1);
    }

    KString operator+(const KString& other) const;
    KString operator+(const wchar_t* other) const;
    friend KString operator+(const wchar_t* left, const KString& right);

    const wchar_t* text() const;
    int length() const;
    bool isEmpty() const;
    // Null when the conversion fails; the next call tries again.
    const char* utf8();
    void makeBuffered();

private:
    void adopt(wchar_t* buffer, int bufferLength);
    void shareFrom(const KString& other);
    void release();
    static void releaseData(KStringData* held);

    KStringData* data;
    bool empty;
    bool isStatic;
    const wchar_t* staticText;
    int staticLength;
};
