#include "MachineReport.h"

#include "ReportText.h"

#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"
#include "installer/RunningAccount.h"

namespace {

KString desktopUserText(DesktopUserFound found) {
    switch (found) {
    case DesktopUserFound::SHELL_OWNER:
        return text(L"the owner of the desktop shell");
    case DesktopUserFound::CONSOLE_USER:
        return text(L"the user signed in at the console (no desktop shell in this session)");
    case DesktopUserFound::REMOTE_DESKTOP_USER:
        return text(
            L"the user of the one active Remote Desktop session (nobody is signed in at the console)");
    case DesktopUserFound::NOBODY_SIGNED_IN:
        return text(L"nobody is signed in, so the default user profile, from which Windows makes every new "
                    L"user's profile; users who already have a profile get nothing");
    case DesktopUserFound::SEVERAL_USERS:
        return text(
            L"several users are signed in and none at the console, so none is chosen: the default user "
            L"profile, from which Windows makes every new user's profile; users who already have a "
            L"profile, these among them, get nothing");
    case DesktopUserFound::SYSTEM_ACCOUNT:
        return text(L"none found, and Windows records no default user profile, so the system account's own "
                    L"folder, which no one reads");
    case DesktopUserFound::RUNNING_ACCOUNT:
        break;
    }
    const KString account = runningAccountName();
    return L"none found: the folder of the account the installer runs as, " +
           (account.isEmpty() ? text(L"which cannot be named") : account) +
           L"; run as the system account, the installer reaches the signed-in user";
}

const wchar_t* leftoverText(Leftover kind) {
    switch (kind) {
    case Leftover::OVERWRITE_BACKUP:
        return L", the old bytes of a file that an interrupted copy was writing over, ";
    case Leftover::MOVED_ASIDE:
        return L", the user's file that an interrupted copy moved aside, ";
    case Leftover::UNFINISHED_COPY:
        break;
    }
    return L", an interrupted copy, ";
}

const wchar_t* recoveryText(LeftoverRecovery recovery) {
    switch (recovery) {
    case LeftoverRecovery::LEFT_ALONE:
        return L"would be left alone: it cannot be opened for removal (a copy at work, or not the user's)";
    case LeftoverRecovery::PUT_BACK:
        return L"would get its name back, which nothing has";
    case LeftoverRecovery::WRITTEN_BACK:
        return L"would be written back over the file that has the name";
    case LeftoverRecovery::NONE:
    case LeftoverRecovery::REMOVED:
        break;
    }
    return L"would be removed";
}

void reportLeftoversOf(const CopyLeftovers& leftovers, const wchar_t* fileName, CheckReport& report) {
    for (int index = 0; index < LEFTOVER_KINDS; ++index) {
        const auto kind = static_cast<Leftover>(index);
        if (leftovers.recovery(kind) != LeftoverRecovery::NONE) {
            report.line(L"  Left there: " + leftoverName(fileName, kind) + leftoverText(kind) +
                        recoveryText(leftovers.recovery(kind)));
        }
    }
}

bool isReadableFolder(const KString& folder) {
    if (!KFile::isFolder(folder)) {
        return false;
    }
    WIN32_FIND_DATAW found;
    const UniqueFindHandle listing(FindFirstFileW((folder + L"\\*").text(), &found));
    return listing.isValid();
}

} // namespace

bool beginReport(const wchar_t* title, const KString& folder, InstallationPlan& plan, CheckReport& report) {
    report.line(KString(title, KString::REFER_STATIC) + folder);
    if (!isReadableFolder(folder)) {
        report.line(text(L"The folder cannot be read."));
        report.line(text(L"Result: exit code 2, the folder cannot be read"));
        return false;
    }
    plan.scanMachine();
    plan.scanFolder(folder);
    return true;
}

bool reportDesktopUser(const InstallationPlan& plan, CheckReport& report, bool asksAttention) {
    const DesktopUserFound found = plan.desktopUser().found();
    report.line(L"  Desktop user: " + desktopUserText(found));
    // No person reads that folder, or only the account a deployment tool runs as.
    if (asksAttention && found == DesktopUserFound::SYSTEM_ACCOUNT) {
        report.needsAttention(SYSTEM_ACCOUNT_WITHOUT_USER);
    } else if (asksAttention && found == DesktopUserFound::RUNNING_ACCOUNT) {
        report.needsAttention(ACCOUNT_WITHOUT_SHELL);
    }
    if (plan.appDataFolder().isEmpty()) {
        report.line(text(L"  Product folder: the desktop user's AppData folder cannot be determined"));
        return false;
    }
    report.line(L"  Product folder: " + plan.productFolder());
    if (asksAttention && !plan.isProductFolderInProfile()) {
        report.line(L"  Outside the desktop user's profile folder (links followed): " + plan.productFolder() +
                    L"; on Windows the installer writes there only what that user could write");
        report.needsAttention(PRODUCT_FOLDER_OUTSIDE_PROFILE);
    }
    return true;
}

bool reportLeftovers(const InstallationPlan& plan, CheckReport& report) {
    bool any = false;
    for (int configuration = 0; configuration < CONFIGURATION_COUNT; ++configuration) {
        reportLeftoversOf(plan.leftovers(configuration), CONFIGURATION_FILES[configuration].fileName + 1,
                          report);
        any = any || plan.leftovers(configuration).areThere();
    }
    return any;
}
