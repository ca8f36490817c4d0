#include "app/RunApplication.h"
#include "app/RunWithinFramework.h"

#include "foundation/KString.h"
#include "framework/FrameworkCore.h"

#include "framework/KApplication.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <string>

namespace {

// Records which of its entry points ran; answers false to several instances when told to.
class RecordingApplication : public KApplication {
public:
    RecordingApplication(bool singleInstance, const wchar_t* name, KApplication* nested = nullptr)
        : singleInstance(singleInstance), name(name), nested(nested) {}

    int main(KString**, int) override {
        ++mainRuns;
        // A second instance started while this one runs.
        return nested != nullptr ? runApplication(nested, nullptr, 0) * 10 : 7;
    }
    int onAnotherInstance(KString**, int) override {
        ++otherInstanceRuns;
        return 3;
    }
    bool allowsMultipleInstances() override { return !singleInstance; }
    const wchar_t* mutexName() override { return name; }

    int mainRuns = 0;
    int otherInstanceRuns = 0;

private:
    bool singleInstance;
    const wchar_t* name;
    KApplication* nested;
};

bool mutexExists(const wchar_t* name) {
    const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
    if (mutex == nullptr) {
        return false;
    }
    CloseHandle(mutex);
    return true;
}

// Sees from inside what the program's run has set up and not yet torn down.
class EntryProbe : public KApplication {
public:
    int main(KString** arguments, int argumentCount) override {
        frameworkUpInMain = componentAtom != 0;
        firstArgument = argumentCount > 0 ? arguments[0]->text() : L"";
        return 5;
    }
    ~EntryProbe() override {
        deleted = true;
        frameworkUpWhenDeleted = componentAtom != 0;
    }

    static KApplication* make() { return new EntryProbe; }

    static bool frameworkUpInMain;
    static bool frameworkUpWhenDeleted;
    static bool deleted;
    static std::wstring firstArgument;
};
bool EntryProbe::frameworkUpInMain = false;
bool EntryProbe::frameworkUpWhenDeleted = false;
bool EntryProbe::deleted = false;
std::wstring EntryProbe::firstArgument;

} // namespace

TEST(RunApplication, ProgramRunsMainInsideTheFrameworkAndDeletesTheApplicationBeforeItsShutdown) {
    ASSERT_EQ(0, componentAtom) << "the framework is up already";
    EXPECT_EQ(5, runWithinFramework(GetModuleHandleW(nullptr), &EntryProbe::make)) << "main's result";
    EXPECT_TRUE(EntryProbe::frameworkUpInMain);
    EXPECT_TRUE(EntryProbe::deleted);
    EXPECT_TRUE(EntryProbe::frameworkUpWhenDeleted);
    EXPECT_EQ(0, componentAtom) << "shut down at the end";
    int count = 0;
    wchar_t** const vector = CommandLineToArgvW(GetCommandLineW(), &count);
    ASSERT_NE(nullptr, vector);
    EXPECT_EQ(std::wstring(vector[0]), EntryProbe::firstArgument) << "the program's name comes first";
    LocalFree(vector);
}

TEST(RunApplication, SeveralInstancesTakeNoMutex) {
    RecordingApplication second(false, L"PellmontTest_Multiple");
    RecordingApplication first(false, L"PellmontTest_Multiple", &second);
    EXPECT_EQ(70, runApplication(&first, nullptr, 0));
    EXPECT_EQ(1, second.mainRuns) << "both instances ran";
    EXPECT_FALSE(mutexExists(L"PellmontTest_Multiple"));
    EXPECT_FALSE(mutexExists(KApplication().mutexName())) << "the default application takes no mutex";
}

TEST(RunApplication, SingleInstanceRunsOnceWhileTheFirstHoldsTheMutex) {
    RecordingApplication second(true, L"PellmontTest_Single");
    RecordingApplication first(true, L"PellmontTest_Single", &second);
    EXPECT_EQ(30, runApplication(&first, nullptr, 0)) << "the second instance's result comes back";
    EXPECT_EQ(1, first.mainRuns);
    EXPECT_EQ(0, second.mainRuns);
    EXPECT_EQ(1, second.otherInstanceRuns);
    EXPECT_TRUE(mutexExists(L"PellmontTest_Single")) << "the name stays taken until the process ends";
}
