#include "foundation/KString.h"

#include "foundation/KRunnable.h"
#include "foundation/KThread.h"
#include "support/HeapUsage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t LITERAL_ABC[] = L"abc";

::testing::AssertionResult isEmptyString(KString& s) {
    if (!s.isEmpty() || s.length() != 0 || s.text() == nullptr || s.text()[0] != L'\0' ||
        std::strcmp(s.utf8(), "") != 0) {
        return ::testing::AssertionFailure() << "empty " << s.isEmpty() << " length " << s.length();
    }
    return ::testing::AssertionSuccess();
}

wchar_t* mallocText(const wchar_t* text) {
    const size_t units = std::wcslen(text) + 1;
    wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
    std::memcpy(buffer, text, units * sizeof(wchar_t));
    return buffer;
}

} // namespace

TEST(KString, EmptyInputsGiveEmptyStrings) {
    KString byDefault;
    KString nullText(static_cast<const wchar_t*>(nullptr), KString::COPY_TEXT);
    KString emptyText(L"", KString::COPY_TEXT);
    KString zeroLength(LITERAL_ABC, KString::REFER_STATIC, 0);
    KString nullUtf8(static_cast<const char*>(nullptr));
    KString emptyUtf8("");
    EXPECT_TRUE(isEmptyString(byDefault));
    EXPECT_TRUE(isEmptyString(nullText));
    EXPECT_TRUE(isEmptyString(emptyText));
    EXPECT_TRUE(isEmptyString(zeroLength));
    EXPECT_TRUE(isEmptyString(nullUtf8));
    EXPECT_TRUE(isEmptyString(emptyUtf8));
}

TEST(KString, ConstructionModes) {
    const KString referred(LITERAL_ABC, KString::REFER_STATIC, 3);
    EXPECT_EQ(LITERAL_ABC, referred.text()) << "a static string refers to the literal itself";
    EXPECT_EQ(3, referred.length());

    const KString copied(LITERAL_ABC, KString::COPY_TEXT);
    EXPECT_NE(LITERAL_ABC, copied.text());
    EXPECT_STREQ(L"abc", copied.text());

    const KString unknownMode(LITERAL_ABC, 42);
    EXPECT_NE(LITERAL_ABC, unknownMode.text()) << "any other mode copies";
    EXPECT_STREQ(L"abc", unknownMode.text());

    wchar_t* const buffer = mallocText(L"adopted");
    const KString adopted(buffer, KString::ADOPT_BUFFER);
    EXPECT_EQ(buffer, adopted.text()) << "adoption takes the buffer without copying";
    EXPECT_EQ(7, adopted.length());

    const KString prefix(L"abcdef", KString::COPY_TEXT, 2);
    EXPECT_STREQ(L"ab", prefix.text());
}

TEST(KString, AdoptingAnEmptyBufferFreesItAtOnce) {
    constexpr size_t bufferBytes = 64 * 1024;
    const size_t before = heapBytesInUse();
    for (int round = 0; round < 10; ++round) {
        wchar_t* const buffer = static_cast<wchar_t*>(std::malloc(bufferBytes));
        ASSERT_NE(nullptr, buffer);
        buffer[0] = L'\0';
        KString adopted(buffer, KString::ADOPT_BUFFER);
        EXPECT_TRUE(isEmptyString(adopted));
    }
    const size_t after = heapBytesInUse();
    EXPECT_LT(after, before + bufferBytes) << "grew from " << before << " to " << after;
}

TEST(KString, ConcatenationSharesWhereOneSideIsEmpty) {
    const KString empty;
    const KString buffered(LITERAL_ABC, KString::COPY_TEXT);
    const KString referred(LITERAL_ABC, KString::REFER_STATIC, 3);

    EXPECT_EQ(buffered.text(), (buffered + empty).text());
    EXPECT_EQ(buffered.text(), (empty + buffered).text());
    EXPECT_EQ(LITERAL_ABC, (referred + empty).text());
    EXPECT_EQ(LITERAL_ABC, (empty + referred).text());
    EXPECT_TRUE((empty + empty).isEmpty());
    EXPECT_EQ(buffered.text(), (buffered + L"").text());
    EXPECT_EQ(buffered.text(), (L"" + buffered).text());

    const KString joined = referred + buffered;
    EXPECT_STREQ(L"abcabc", joined.text());
    EXPECT_EQ(6, joined.length());
    EXPECT_STREQ(L"C:\\folder\\Profiles.db64",
                 (KString(L"C:\\folder", KString::COPY_TEXT) + L"\\Profiles.db64").text());
    EXPECT_STREQ(L"Found 3 components.", (L"Found " + KString(3) + L" components.").text());
    EXPECT_EQ(19, (L"Found " + KString(3) + L" components.").length());
}

TEST(KString, IntegerText) {
    const struct {
        int value;
        const wchar_t* text;
    } cases[] = {{0, L"0"},
                 {-5, L"-5"},
                 {7, L"7"},
                 {100, L"100"},
                 {2147483647, L"2147483647"},
                 {-2147483647 - 1, L"-2147483648"}};
    for (const auto& c : cases) {
        const KString s(c.value);
        EXPECT_FALSE(s.isEmpty()) << c.value;
        EXPECT_STREQ(c.text, s.text()) << c.value;
        EXPECT_EQ(static_cast<int>(std::wcslen(c.text)), s.length()) << c.value;
    }
}

TEST(KString, Utf8BothWays) {
    // U+00E9, U+20AC and U+1F3B5 (outside the Basic Multilingual Plane: a surrogate pair).
    const char utf8Text[] = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5";
    KString fromUtf8(utf8Text);
    EXPECT_EQ(9, fromUtf8.length());
    EXPECT_EQ(0xD83C, fromUtf8.text()[7]);
    EXPECT_EQ(0xDFB5, fromUtf8.text()[8]);
    EXPECT_STREQ(utf8Text, fromUtf8.utf8());

    KString invalid("\xFF\xFE");
    EXPECT_FALSE(invalid.isEmpty()) << "invalid bytes become replacement characters, not a failure";
}

TEST(KString, Utf8IsMadeOnceAndShared) {
    KString buffered(L"shared", KString::COPY_TEXT);
    const char* const first = buffered.utf8();
    EXPECT_EQ(first, buffered.utf8());
    KString copy = buffered;
    EXPECT_EQ(first, copy.utf8()) << "copies share the buffer and its UTF-8 form";

    KString referred(LITERAL_ABC, KString::REFER_STATIC, 3);
    const char* const fromStatic = referred.utf8();
    EXPECT_STREQ("abc", fromStatic);
    EXPECT_NE(LITERAL_ABC, referred.text()) << "utf8 gives a static string a buffer of its own";
    KString later = referred;
    EXPECT_EQ(referred.text(), later.text());
    EXPECT_EQ(fromStatic, later.utf8());
}

TEST(KString, CopyAssignmentAndAssignStatic) {
    KString original(L"value", KString::COPY_TEXT);
    KString copy(original);
    EXPECT_EQ(original.text(), copy.text());

    KString target(L"other", KString::COPY_TEXT);
    target = original;
    EXPECT_EQ(original.text(), target.text());

    KString& alias = target;
    target = alias;
    EXPECT_STREQ(L"value", target.text()) << "self-assignment leaves a shared string as it was";

    KString sole(L"alone", KString::COPY_TEXT);
    const wchar_t* const soleText = sole.text();
    KString& sameString = sole;
    sole = sameString;
    EXPECT_EQ(soleText, sole.text()) << "a sole owner assigned to itself keeps its buffer";
    EXPECT_STREQ(L"alone", sole.text());

    KString referred(LITERAL_ABC, KString::REFER_STATIC, 3);
    KString referredCopy = referred;
    EXPECT_EQ(LITERAL_ABC, referredCopy.text());

    target.assignStatic(L"Please wait...");
    EXPECT_STREQ(L"Please wait...", target.text());
    EXPECT_EQ(14, target.length());
    EXPECT_FALSE(target.isEmpty());
    KString noUnits(L"x", KString::COPY_TEXT);
    noUnits.assignStatic(LITERAL_ABC, 0);
    EXPECT_TRUE(isEmptyString(noUnits)) << "as KString(text, REFER_STATIC, 0)";
    EXPECT_STREQ(L"value", original.text()) << "dropping a shared buffer keeps it for the others";

    constexpr int units = 32 * 1024;
    KString large(std::wstring(units, L'x').c_str(), KString::COPY_TEXT);
    const size_t held = heapBytesInUse();
    large.assignStatic(LITERAL_ABC, 3);
    EXPECT_LT(heapBytesInUse() + units * sizeof(wchar_t), held) << "the replaced sole buffer is freed";

    KString emptied(L"x", KString::COPY_TEXT);
    emptied = KString();
    EXPECT_TRUE(isEmptyString(emptied));
}

namespace {

// Waits until both threads have arrived at the same round, so that both ask for one string's
// UTF-8 text at the same moment.
class RoundBarrier {
public:
    void arrive(int round) {
        arrived.fetch_add(1);
        while (arrived.load() < 2 * (round + 1)) {
            SwitchToThread();
        }
    }

private:
    std::atomic<int> arrived{0};
};

constexpr int UTF8_ROUNDS = 200;

class Utf8Asker : public KRunnable {
public:
    Utf8Asker(KString* strings, RoundBarrier& barrier) : strings(strings), barrier(barrier) {}
    void run(KThread*) override { askAll(strings, barrier, answers); }

    static void askAll(KString* strings, RoundBarrier& barrier, const char** answers) {
        for (int round = 0; round < UTF8_ROUNDS; ++round) {
            KString copy = strings[round];
            barrier.arrive(round);
            answers[round] = copy.utf8();
        }
    }

    const char* answers[UTF8_ROUNDS] = {};

private:
    KString* strings;
    RoundBarrier& barrier;
};

} // namespace

TEST(KString, Utf8AskedFromTwoThreadsAtOnceIsMadeOnce) {
    // Long texts, so that the conversion of one thread overlaps the other's.
    const std::wstring longText(20000, L'\u00E9');
    std::vector<KString> strings;
    for (int round = 0; round < UTF8_ROUNDS; ++round) {
        strings.emplace_back(longText.c_str(), KString::COPY_TEXT);
    }
    RoundBarrier barrier;
    Utf8Asker worker(strings.data(), barrier);
    KThread thread;
    thread.setRunnable(&worker);
    const size_t before = heapBytesInUse();
    ASSERT_TRUE(thread.start());
    const char* answers[UTF8_ROUNDS] = {};
    Utf8Asker::askAll(strings.data(), barrier, answers);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.getHandle(), 60000));
    int differing = 0;
    for (int round = 0; round < UTF8_ROUNDS; ++round) {
        differing += answers[round] != worker.answers[round] ? 1 : 0;
    }
    EXPECT_EQ(0, differing) << "strings whose UTF-8 text was made twice";
    // Each string holds exactly one conversion of 40000 bytes and its terminator.
    EXPECT_LT(heapBytesInUse(), before + UTF8_ROUNDS * (2 * longText.size() + 1) + 64 * 1024);
}

namespace {

// Copies, assigns and destroys copies of one shared string, as the worker and window threads do.
class CopyChurn : public KRunnable {
public:
    explicit CopyChurn(const KString& shared) : shared(shared) {}
    void run(KThread*) override { churn(shared, 1000000); }

    static void churn(const KString& source, int rounds) {
        KString kept;
        for (int round = 0; round < rounds; ++round) {
            KString copy(source);
            kept = copy;
            if (round % 3 == 0) {
                kept = KString();
            }
        }
    }

private:
    const KString& shared;
};

class DeleteHeapString : public KRunnable {
public:
    KString* heapString = nullptr;
    void run(KThread*) override { delete heapString; }
};

} // namespace

TEST(KString, ReferenceCountsUnderContention) {
    constexpr int units = 8 << 20; // 16 MiB, so a lost or doubled release shows in memory
    const size_t before = heapBytesInUse();
    {
        wchar_t* const buffer = static_cast<wchar_t*>(std::malloc((units + 1) * sizeof(wchar_t)));
        ASSERT_NE(nullptr, buffer);
        for (int i = 0; i < units; ++i) {
            buffer[i] = static_cast<wchar_t>(L'a' + i % 26);
        }
        buffer[units] = L'\0';
        KString shared(buffer, KString::ADOPT_BUFFER, units);

        CopyChurn churn(shared);
        KThread worker;
        worker.setRunnable(&churn);
        ASSERT_TRUE(worker.start());
        CopyChurn::churn(shared, 1000000);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker.getHandle(), 60000));

        EXPECT_EQ(buffer, shared.text());
        EXPECT_EQ(L'z', shared.text()[25]);

        // A heap string made here and deleted on another thread, while a copy stays here.
        DeleteHeapString deleter;
        deleter.heapString = new KString(shared);
        KThread other;
        other.setRunnable(&deleter);
        ASSERT_TRUE(other.start());
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(other.getHandle(), 10000));
        EXPECT_EQ(units, shared.length());
        EXPECT_EQ(static_cast<wchar_t>(L'a' + (units - 1) % 26), shared.text()[units - 1]);
    }
    const size_t after = heapBytesInUse();
    EXPECT_LT(after, before + static_cast<size_t>(units))
        << "the shared buffer was not freed: " << before << " -> " << after;
}
