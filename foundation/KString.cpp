#include "KString.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr wchar_t EMPTY_TEXT[] = L"";
constexpr char EMPTY_UTF8[] = "";
// Room for "-2147483648" and its terminator, with a margin.
constexpr int INTEGER_TEXT_UNITS = 33;

// Takes ownership of buffer.
KStringData* makeData(wchar_t* buffer, int length) {
    KStringData* const data = new KStringData;
    data->refCount = 1;
    data->utf8Text = nullptr;
    InitializeCriticalSection(&data->utf8Lock);
    data->text = buffer;
    data->length = length;
    return data;
}

wchar_t* copyUnits(const wchar_t* text, int length) {
    wchar_t* const copy =
        static_cast<wchar_t*>(std::malloc((static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
    if (copy != nullptr) {
        std::memcpy(copy, text, static_cast<size_t>(length) * sizeof(wchar_t));
        copy[length] = L'\0';
    }
    return copy;
}

// Returns the length written, without the terminator.
int writeDecimal(wchar_t* buffer, int value) {
    // Work in unsigned so that the most negative value has a magnitude.
    const unsigned int magnitude =
        value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    int length = value < 0 ? 2 : 1;
    for (unsigned int rest = magnitude; rest >= 10; rest /= 10) {
        ++length;
    }
    if (value < 0) {
        buffer[0] = L'-';
    }
    buffer[length] = L'\0';
    // From the last digit back to the first, which comes after the sign.
    wchar_t* out = buffer + length;
    unsigned int rest = magnitude;
    do {
        *--out = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    return length;
}

} // namespace

KString::KString() : data(nullptr), empty(true), isStatic(false), staticText(nullptr), staticLength(0) {}

KString::KString(const wchar_t* text, unsigned char mode, int length) : KString() {
    if (text == nullptr) {
        return;
    }
    if (length == -1) {
        length = static_cast<int>(std::wcslen(text));
    }
    if (length <= 0) {
        if (mode == ADOPT_BUFFER) {
            std::free(const_cast<wchar_t*>(text));
        }
        return;
    }
    if (mode == REFER_STATIC) {
        empty = false;
        isStatic = true;
        staticText = text;
        staticLength = length;
    } else if (mode == ADOPT_BUFFER) {
        adopt(const_cast<wchar_t*>(text), length);
    } else {
        adopt(copyUnits(text, length), length);
    }
}

KString::KString(const char* utf8Text) : KString() {
    if (utf8Text == nullptr) {
        return;
    }
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8Text, -1, nullptr, 0);
    if (units <= 1) {
        return; // failed, or only the terminator: keep no zero-length buffer
    }
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(static_cast<size_t>(units) * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return;
    }
    if (MultiByteToWideChar(CP_UTF8, 0, utf8Text, -1, buffer, units) == 0) {
        std::free(buffer);
        return;
    }
    adopt(buffer, units - 1);
}

KString::KString(int value) : KString() {
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(INTEGER_TEXT_UNITS * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return;
    }
    adopt(buffer, writeDecimal(buffer, value));
}

KString::KString(const KString& other) : KString() {
    shareFrom(other);
}

KString::~KString() {
    release();
}

KString& KString::operator=(const KString& other) {
    if (this != &other) {
        // Take the other's reference before dropping ours: both may share one buffer.
        KStringData* const held = data;
        data = nullptr;
        shareFrom(other);
        releaseData(held);
    }
    return *this;
}

void KString::assignStatic(const wchar_t* text, int length) {
    release();
    // As the constructor: no text, or none of it, is the empty string.
    const bool hasText = text != nullptr && length > 0;
    empty = !hasText;
    isStatic = hasText;
    staticText = hasText ? text : nullptr;
    staticLength = hasText ? length : 0;
}

KString KString::operator+(const KString& other) const {
    if (other.isEmpty()) {
        return *this;
    }
    if (isEmpty()) {
        return other;
    }
    const int leftLength = length();
    const int rightLength = other.length();
    const size_t total = static_cast<size_t>(leftLength) + static_cast<size_t>(rightLength);
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc((total + 1) * sizeof(wchar_t)));
    if (buffer == nullptr) {
        return KString();
    }
    std::memcpy(buffer, text(), static_cast<size_t>(leftLength) * sizeof(wchar_t));
    std::memcpy(buffer + leftLength, other.text(), static_cast<size_t>(rightLength) * sizeof(wchar_t));
    buffer[total] = L'\0';
    return KString(buffer, ADOPT_BUFFER, static_cast<int>(total));
}

KString KString::operator+(const wchar_t* other) const {
    return *this + KString(other, COPY_TEXT);
}

KString operator+(const wchar_t* left, const KString& right) {
    return KString(left, KString::COPY_TEXT) + right;
}

const wchar_t* KString::text() const {
    if (isStatic) {
        return staticText;
    }
    return data != nullptr ? data->text : EMPTY_TEXT;
}

int KString::length() const {
    if (isStatic) {
        return staticLength;
    }
    return data != nullptr ? data->length : 0;
}

bool KString::isEmpty() const {
    return empty;
}

const char* KString::utf8() {
    if (empty) {
        return EMPTY_UTF8;
    }
    makeBuffered();
    if (data == nullptr) {
        return nullptr; // the buffer could not be made
    }
    EnterCriticalSection(&data->utf8Lock);
    if (data->utf8Text == nullptr) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, data->text, -1, nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            char* const converted = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
            if (converted != nullptr &&
                WideCharToMultiByte(CP_UTF8, 0, data->text, -1, converted, bytes, nullptr, nullptr) != 0) {
                data->utf8Text = converted;
            } else {
                std::free(converted);
            }
        }
    }
    char* const result = data->utf8Text;
    LeaveCriticalSection(&data->utf8Lock);
    return result;
}

void KString::makeBuffered() {
    if (!isStatic) {
        return;
    }
    const wchar_t* const referred = staticText;
    const int referredLength = staticLength;
    isStatic = false;
    staticText = nullptr;
    staticLength = 0;
    adopt(copyUnits(referred, referredLength), referredLength);
}

// Out of memory leaves the string empty rather than holding a null buffer.
void KString::adopt(wchar_t* buffer, int bufferLength) {
    data = buffer != nullptr ? makeData(buffer, bufferLength) : nullptr;
    empty = data == nullptr;
}

void KString::shareFrom(const KString& other) {
    empty = other.empty;
    if (other.isStatic) {
        isStatic = true;
        staticText = other.staticText;
        staticLength = other.staticLength;
    } else {
        isStatic = false;
        staticText = nullptr;
        staticLength = 0;
        if (other.data != nullptr) {
            InterlockedIncrement(&other.data->refCount);
            data = other.data;
        }
    }
}

void KString::release() {
    releaseData(data);
    data = nullptr;
}

void KString::releaseData(KStringData* held) {
    if (held == nullptr || InterlockedDecrement(&held->refCount) != 0) {
        return;
    }
    std::free(held->utf8Text);
    std::free(held->text);
    DeleteCriticalSection(&held->utf8Lock);
    delete held;
}
