#include "FolderVerification.h"

#include "MachineReport.h"
#include "ReportText.h"

#include "devices/DeviceForecast.h"
#include "installer/InstallationPlan.h"

#include <cstdlib>

namespace {

// The whole file, read shared with whoever holds it; null when it cannot be read.
UniqueMemory<BYTE> readWhole(const KString& path, DWORD& size) {
    const UniqueFileHandle file(CreateFileW(path.text(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD high = 0;
    size = file ? GetFileSize(file.get(), &high) : INVALID_FILE_SIZE;
    if (size == INVALID_FILE_SIZE || high != 0) {
        return UniqueMemory<BYTE>();
    }
    // One byte more, so that an empty file has a buffer too.
    UniqueMemory<BYTE> bytes(static_cast<BYTE*>(std::malloc(size + 1)));
    DWORD read = 0;
    if (!bytes || !ReadFile(file.get(), bytes.get(), size, &read, nullptr) || read != size) {
        return UniqueMemory<BYTE>();
    }
    return bytes;
}

// What became of one configuration file the folder offers; null when the copy there has the bytes
// the run leaves.
KString copyDifference(const InstallationPlan& plan, int configuration) {
    const ConfigurationFile& file = CONFIGURATION_FILES[configuration];
    DWORD expectedSize = 0;
    const UniqueMemory<BYTE> expected = file.isDatabase
                                            ? forecastUpdatedContent(plan.source(configuration), expectedSize)
                                            : readWhole(plan.source(configuration), expectedSize);
    if (!expected) {
        return text(L": the file in the folder cannot be read");
    }
    DWORD size = 0;
    const UniqueMemory<BYTE> there = readWhole(plan.productFolder() + file.fileName, size);
    if (!there) {
        return text(L": not in the product folder");
    }
    if (size != expectedSize) {
        return L": in the product folder, but with " + KString(static_cast<int>(size)) +
               L" bytes instead of " + KString(static_cast<int>(expectedSize));
    }
    for (DWORD offset = 0; offset < size; ++offset) {
        if (there.get()[offset] != expected.get()[offset]) {
            return L": in the product folder, but its bytes differ from byte " +
                   KString(static_cast<int>(offset)) +
                   (file.isDatabase ? L" on from the source's with this machine's device identifiers"
                                    : L" on from the source's");
        }
    }
    return KString();
}

void verifyProducts(const InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Products the folder offers"));
    for (int product = 0; product < PRODUCT_COUNT; ++product) {
        const KString name = L"  " + text(PRODUCTS[product].displayName);
        const KString& package = plan.package(product);
        if (package.isEmpty()) {
            report.line(name + L": not offered");
        } else if (plan.isInstalled(product)) {
            report.line(name + L": installed");
        } else {
            report.line(name + L": not installed, though the folder offers " +
                        (package.text() + plan.programFolder().length() + 1));
            report.needsAttention(PRODUCT_NOT_INSTALLED);
        }
    }
}

void verifyConfiguration(const InstallationPlan& plan, CheckReport& report) {
    report.line(text(L"Configuration files the folder offers"));
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        const KString name = L"  " + bareName(CONFIGURATION_FILES[configuration].fileName);
        if (!plan.isOffered(configuration)) {
            report.line(name + L": not offered");
            continue;
        }
        const KString difference = copyDifference(plan, configuration);
        if (difference.isEmpty()) {
            report.line(name + L": in the product folder, with the bytes the run leaves");
        } else {
            report.line(name + difference);
            report.needsAttention(CONFIGURATION_NOT_THERE);
        }
    }
}

} // namespace

int verifyFolder(const KString& folder, CheckReport& report, const SessionQueries* sessions) {
    InstallationPlan plan(sessions);
    if (!beginReport(L"Pellmont verification of ", folder, plan, report)) {
        return CHECK_UNREADABLE;
    }
    report.line(KString());
    verifyProducts(plan, report);
    report.line(KString());
    report.line(text(L"Configuration"));
    // Whose folder it is, as the run found it; what needs attention there was the check's to say.
    const bool folderKnown = reportDesktopUser(plan, report, false);
    if (folderKnown && reportLeftovers(plan, report)) {
        report.needsAttention(LEFTOVERS_THERE);
    }
    report.line(KString());
    verifyConfiguration(plan, report);
    report.line(KString());
    return report.finish(L"everything the folder offers took effect");
}
