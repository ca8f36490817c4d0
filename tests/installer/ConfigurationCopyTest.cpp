// What the copy promises whatever fails on its way: the file's name holds the user's previous file,
// whole, or the complete copy, never a partial file; and what a stopped copy leaves beside it, the
// next run puts right. Failures are made at each step through the copy's step hook, and for real
// where this platform can make them: a holder of the file, a mapped file, a full disk.

#include "support/Programs.h"

#include "installer/ComponentDetection.h"
#include "installer/ConfigurationCopy.h"
#include "installer/ConfigurationTransfer.h"
#include "installer/CopyStepHook.h"

#include "foundation/UniqueResource.h"
#include "support/TemporaryFolder.h"
#include "support/UnixMount.h"
#include "support/WineOnly.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Larger than one buffer of the copy, so that a later write can fail too.
const std::string OLD_BYTES(100 * 1024, 'o');
const std::string NEW_BYTES(200 * 1024, 'n');
const std::string SHORT_NEW_BYTES(10 * 1024, 'n');
const wchar_t* const LEFTOVER_SUFFIXES[] = {L".pellmont-backup", L".pellmont-old", L".pellmont-new"};

// How the running product holds its configuration while the copy is made.
enum class Holder {
    NONE,
    SHARING_DELETION, // as a program that shares everything: the copy moves the file aside
    SHARING_WRITES,   // as the C runtime opens files: the copy writes over the file in place
};

std::string describe(CopyStep step, int occurrence) {
    static const char* const NAMES[] = {"write",      "reserve",           "cut to size", "rename over",
                                        "move aside", "rename into place", "put back",    "remove"};
    return std::string(NAMES[static_cast<int>(step)]) + " #" + std::to_string(occurrence);
}

// A program folder with the new file, an AppData folder whose product folder has the user's old one.
class CopyScene {
public:
    explicit CopyScene(const std::string& newBytes = NEW_BYTES, const std::string& oldBytes = OLD_BYTES)
        : newBytes(newBytes), oldBytes(oldBytes), source(programFolder.join(L"\\Profiles.db64")),
          productFolder(appData.join(L"\\Veltrano Pro")), destination(productFolder + L"\\Profiles.db64") {
        EXPECT_TRUE(writeFileBytes(source, newBytes.data(), static_cast<unsigned long>(newBytes.size())));
        EXPECT_TRUE(CreateDirectoryW(productFolder.text(), nullptr)) << GetLastError();
        putOldFile();
    }

    void putOldFile() const {
        EXPECT_TRUE(
            writeFileBytes(destination, oldBytes.data(), static_cast<unsigned long>(oldBytes.size())));
    }

    void hold(Holder holder) {
        if (holder == Holder::NONE) {
            return;
        }
        const DWORD deletion = holder == Holder::SHARING_DELETION ? FILE_SHARE_DELETE : 0;
        holding.reset(CreateFileW(destination.text(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | deletion, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(holding.isValid()) << GetLastError();
    }
    void release() { holding.reset(); }

    RewriteTarget copy() const { return copyConfigurationFile(source, name(), appData.path(), nullptr); }
    void recover() const { recoverCopyLeftovers(appData.path(), name(), nullptr); }

    std::string content(const wchar_t* suffix = L"") const {
        std::string bytes;
        return readFileBytes(destination + suffix, bytes) ? bytes : std::string("(none)");
    }
    // The leftovers beside the file, by suffix.
    std::vector<std::wstring> leftovers() const {
        std::vector<std::wstring> found;
        for (const wchar_t* suffix : LEFTOVER_SUFFIXES) {
            if (GetFileAttributesW((destination + suffix).text()) != INVALID_FILE_ATTRIBUTES) {
                found.emplace_back(suffix);
            }
        }
        return found;
    }

    // Nothing lost: the name has the old file or the complete copy; or, between the two renames of a
    // held file, nothing, with the old file whole aside; or the old bytes whole in the backup of an
    // overwrite in place.
    ::testing::AssertionResult losesNothing() const {
        const std::string there = content();
        if (there == oldBytes || there == newBytes || content(L".pellmont-old") == oldBytes ||
            content(L".pellmont-backup") == oldBytes) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the name holds " << there.size() << " bytes, starting "
                                             << there.substr(0, 8) << ", and no whole old file is beside it";
    }

    static KString name() { return KString(L"\\Profiles.db64", KString::REFER_STATIC); }

    const std::string newBytes;
    const std::string oldBytes;
    TemporaryFolder programFolder;
    TemporaryFolder appData;
    const KString source;
    const KString productFolder;
    const KString destination;

private:
    UniqueFileHandle holding;
};

// Fails one step of the copy from a given time on, as often as asked, or puts a file of someone
// else's at the name there, for the life of the object.
class StepFault {
public:
    enum Kind { FAIL, TAKE_NAME };

    StepFault(CopyStep step, int occurrence, int failures, Kind kind, const KString& name)
        : step(step), occurrence(occurrence), failures(failures), kind(kind), name(name) {
        setCopyStepHook(&StepFault::atStep, this);
    }
    StepFault(const StepFault&) = delete;
    StepFault& operator=(const StepFault&) = delete;
    ~StepFault() { setCopyStepHook(nullptr, nullptr); }

    bool came() const { return seen >= occurrence; }

private:
    static bool atStep(CopyStep step, void* context) {
        StepFault& fault = *static_cast<StepFault*>(context);
        if (step != fault.step) {
            return true;
        }
        ++fault.seen;
        if (fault.seen < fault.occurrence || fault.seen >= fault.occurrence + fault.failures) {
            return true;
        }
        if (fault.kind == FAIL) {
            return false;
        }
        // The product writes a fresh default file meanwhile, and keeps it open.
        fault.taker.reset(CreateFileW(fault.name.text(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        WriteFile(fault.taker.get(), "default", 7, &written, nullptr);
        return true;
    }

    const CopyStep step;
    const int occurrence;
    const int failures;
    const Kind kind;
    const KString name;
    int seen = 0;
    UniqueFileHandle taker;
};

// What Windows answers from version 1809 on, where Wine lacks FileRenameInformationEx.
constexpr char HELD_FILE_RENAMED_OVER[] =
    "false, and the copy whole: the name passes over a held file that shares its removal in one step "
    "(FileRenameInformationEx with POSIX semantics), so nothing is moved aside";

TEST(ConfigurationCopy, AFailureAtAnyStepLosesNothing) {
    const struct {
        const char* what;
        Holder holder;
        CopyStep step;
        int occurrence; // counted over the whole copy: the writes of a backup come before those over the file
        int failures;
        StepFault::Kind kind;
        const std::string* after;  // at the name once the holder is gone; null: a mix until the next run
        bool leftoverUntilNextRun; // what the copy could not finish waits beside the file
        bool stepComes = true;
    } cases[] = {
        {"the first write of the copy", Holder::NONE, CopyStep::WRITE, 1, 1, StepFault::FAIL, &OLD_BYTES,
         false},
        {"a later write of the copy", Holder::NONE, CopyStep::WRITE, 3, 1, StepFault::FAIL, &OLD_BYTES,
         false},
        // Where the name cannot pass in one step, the file is moved aside instead.
        {"the rename over the file", Holder::NONE, CopyStep::RENAME_OVER, 1, 1, StepFault::FAIL, &NEW_BYTES,
         false},
        {"the move aside of a held file", Holder::SHARING_DELETION, CopyStep::MOVE_ASIDE, 1, 1,
         StepFault::FAIL, &OLD_BYTES, false, wineOnly(true, HELD_FILE_RENAMED_OVER)},
        {"the rename into the freed name", Holder::SHARING_DELETION, CopyStep::RENAME_INTO_PLACE, 1, 1,
         StepFault::FAIL, &OLD_BYTES, false, wineOnly(true, HELD_FILE_RENAMED_OVER)},
        {"the removal of the file moved aside", Holder::SHARING_DELETION, CopyStep::REMOVE, 1, 1,
         StepFault::FAIL, &NEW_BYTES, true, wineOnly(true, HELD_FILE_RENAMED_OVER)},
        // The product writes a fresh file while the name is free, and holds it: the user's file waits
        // aside, whole, and the fresh one keeps the name.
        {"the name taken in between", Holder::SHARING_DELETION, CopyStep::RENAME_INTO_PLACE, 1, 1,
         StepFault::TAKE_NAME, nullptr, true, wineOnly(true, HELD_FILE_RENAMED_OVER)},
        {"a write of the backup", Holder::SHARING_WRITES, CopyStep::WRITE, 1, 1, StepFault::FAIL, &OLD_BYTES,
         false},
        // Two writes of the backup and two of the room for the longer file come before.
        {"the first write over the file", Holder::SHARING_WRITES, CopyStep::WRITE, 5, 1, StepFault::FAIL,
         &OLD_BYTES, false},
        {"a later write over the file", Holder::SHARING_WRITES, CopyStep::WRITE, 7, 1, StepFault::FAIL,
         &OLD_BYTES, false},
        {"the room for the longer file", Holder::SHARING_WRITES, CopyStep::RESERVE, 1, 1, StepFault::FAIL,
         &OLD_BYTES, false},
        {"the end of the overwritten file", Holder::SHARING_WRITES, CopyStep::CUT_TO_SIZE, 1, 1,
         StepFault::FAIL, &OLD_BYTES, false},
        {"the end of the overwritten file and of the old bytes written back", Holder::SHARING_WRITES,
         CopyStep::CUT_TO_SIZE, 1, 2, StepFault::FAIL, nullptr, true},
        {"the removal of the backup", Holder::SHARING_WRITES, CopyStep::REMOVE, 1, 1, StepFault::FAIL,
         &NEW_BYTES, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CopyScene scene;
        scene.hold(test.holder);
        {
            const StepFault fault(test.step, test.occurrence, test.failures, test.kind, scene.destination);
            scene.copy();
            EXPECT_EQ(test.stepComes, fault.came()) << "the step never came";
            EXPECT_TRUE(scene.losesNothing());
        }
        scene.release();
        if (test.after != nullptr) {
            EXPECT_EQ(*test.after, scene.content());
        }
        EXPECT_EQ(test.leftoverUntilNextRun, !scene.leftovers().empty());

        // The next run puts right what was left, and then copies. A file that the product wrote at
        // the name meanwhile is whole, and the user's file beside it goes.
        scene.recover();
        EXPECT_EQ(std::vector<std::wstring>(), scene.leftovers());
        if (test.kind == StepFault::TAKE_NAME) {
            EXPECT_EQ("default", scene.content());
        } else {
            EXPECT_TRUE(scene.losesNothing());
        }
        scene.copy();
        EXPECT_EQ(NEW_BYTES, scene.content());
        EXPECT_EQ(std::vector<std::wstring>(), scene.leftovers());
    }
}

// The process stopped at every step the copy comes to, as a fleet tool stops an installer that ran
// too long: in between nothing is lost, and the next run puts right what was left and copies.
TEST(ConfigurationCopy, ACopyStoppedAtAnyStepIsPutRightByTheNextRun) {
    const CopyStep steps[] = {CopyStep::WRITE,       CopyStep::RESERVE,    CopyStep::CUT_TO_SIZE,
                              CopyStep::RENAME_OVER, CopyStep::MOVE_ASIDE, CopyStep::RENAME_INTO_PLACE,
                              CopyStep::REMOVE};
    for (const Holder holder : {Holder::NONE, Holder::SHARING_DELETION, Holder::SHARING_WRITES}) {
        int stops = 0;
        for (const CopyStep step : steps) {
            for (int occurrence = 1;; ++occurrence) {
                SCOPED_TRACE("holder " + std::to_string(static_cast<int>(holder)) + ", stopped at " +
                             describe(step, occurrence));
                CopyScene scene;
                scene.hold(holder);
                const DWORD exitCode = runProgram(
                    helperProgram(L"\\installer_test_copy_interrupter.exe"),
                    L" \"" + scene.source + L"\" \"" + scene.appData.path() + L"\" \\Profiles.db64 " +
                        KString(static_cast<int>(step)) + L" " + KString(occurrence),
                    PROCESS_TIMEOUT_MS);
                if (exitCode == 0) {
                    EXPECT_EQ(NEW_BYTES, scene.content()) << "the copy ran to its end";
                    break;
                }
                ASSERT_EQ(3u, exitCode) << "the copy did not stop there";
                ++stops;
                EXPECT_TRUE(scene.losesNothing());
                scene.recover();
                scene.release();
                EXPECT_EQ(std::vector<std::wstring>(), scene.leftovers());
                const std::string recovered = scene.content();
                EXPECT_TRUE(recovered == OLD_BYTES || recovered == NEW_BYTES)
                    << recovered.size() << " bytes at the name after recovery";
                scene.copy();
                EXPECT_EQ(NEW_BYTES, scene.content());
            }
        }
        EXPECT_GE(stops, 5) << "holder " << static_cast<int>(holder);
    }
}

// Reads the file's first bytes before every write of the copy, for the life of the object: whether
// they ever differed from what they were.
class PrefixWatch {
public:
    PrefixWatch(const KString& path, const std::string& prefix) : path(path), prefix(prefix) {
        setCopyStepHook(&PrefixWatch::atStep, this);
    }
    PrefixWatch(const PrefixWatch&) = delete;
    PrefixWatch& operator=(const PrefixWatch&) = delete;
    ~PrefixWatch() { setCopyStepHook(nullptr, nullptr); }

    bool changed = false;

private:
    static bool atStep(CopyStep step, void* context) {
        PrefixWatch& watch = *static_cast<PrefixWatch*>(context);
        std::string bytes;
        if (step == CopyStep::WRITE && readFileBytes(watch.path, bytes) &&
            bytes.compare(0, watch.prefix.size(), watch.prefix) != 0) {
            watch.changed = true;
        }
        return true;
    }

    const KString path;
    const std::string prefix;
};

// Failures this platform makes for real: a full disk under the copy and under an overwrite in place,
// and a file mapped by its holder, which cannot be cut shorter.
TEST(ConfigurationCopy, AFullDiskOrAMappedFileLeavesTheUsersFileWhole) {
    const std::string smallOldBytes(20 * 1024, 'o');
    const struct {
        const char* what;
        Holder holder;
        bool fullDisk;
        const std::string& newBytes;
        const std::string& oldBytes;
        CopyDecision decision;
        bool changesBeforeFailing; // the file is written before the failure shows
    } cases[] = {
        {"a copy that does not fit beside the file", Holder::NONE, true, NEW_BYTES, OLD_BYTES,
         CopyDecision::REPLACE, false},
        // The backup fits; the room for the longer file does not.
        {"an overwrite that does not fit", Holder::SHARING_WRITES, true, NEW_BYTES, smallOldBytes,
         CopyDecision::OVERWRITE, false},
        {"a mapped file written over with a shorter one", Holder::SHARING_WRITES, false, SHORT_NEW_BYTES,
         OLD_BYTES, CopyDecision::OVERWRITE, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        CopyScene scene(test.newBytes, test.oldBytes);
        std::unique_ptr<UnixMount> disk;
        if (test.fullDisk) {
            // Room for the old file and not much more: the AppData folder a file system of that size.
            // wineOnly: a mount on the product folder itself would make it a reparse point, which the
            // copy leaves alone; on Windows a full volume is no reparse point.
            disk = std::make_unique<UnixMount>(scene.appData.path(), 160 * 1024);
            ASSERT_TRUE(disk->isMounted()) << disk->whyNotMounted();
            ASSERT_TRUE(CreateDirectoryW(scene.productFolder.text(), nullptr)) << GetLastError();
            scene.putOldFile();
        }
        scene.hold(test.holder);
        EXPECT_EQ(
            test.decision,
            ConfigurationCopy(scene.source, scene.appData.path(), CopyScene::name(), nullptr).decision());
        UniqueHandle mapping;
        const void* view = nullptr;
        if (!test.fullDisk) {
            const UniqueFileHandle file(CreateFileW(scene.destination.text(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            mapping.reset(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
            ASSERT_TRUE(mapping.isValid()) << GetLastError();
            view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
            ASSERT_NE(nullptr, view) << GetLastError();
        }

        {
            // The room for a longer file is taken before its first byte changes.
            const PrefixWatch watch(scene.destination, test.oldBytes);
            scene.copy();
            EXPECT_EQ(test.changesBeforeFailing, watch.changed) << "the file's first bytes changed";
        }

        if (view != nullptr) {
            UnmapViewOfFile(view);
        }
        mapping.reset();
        scene.release();
        EXPECT_EQ(test.oldBytes, scene.content());
        EXPECT_EQ(std::vector<std::wstring>(), scene.leftovers());
    }
}

} // namespace
