#include "DeviceIdUpdate.h"

#include "DatabaseWalk.h"
#include "foundation/UnredirectedOpen.h"
#include "foundation/UserImpersonation.h"

using namespace ConfigurationDatabase;

namespace {

// Stores what the walk decided: the header once both its devices are known, the device-pair record
// once both of its are. A device that stops the rewrite ends the walk.
class DeviceIdWriter {
public:
    explicit DeviceIdWriter(KFile& file) : file(file) {}

    bool deviceDecided(StoredDevice, const wchar_t*, DeviceDecision, const KString&) { return false; }

    bool headerDecided(const HeaderDeviceBlock& header) {
        return file.seekToStart() && file.write(SIGNATURE, sizeof(SIGNATURE)) == sizeof(SIGNATURE) &&
               file.write(&header, sizeof(header)) == sizeof(header);
    }

    void devicePairDecided(DWORD bodyPosition, const DevicePairRecord& record) {
        // Positions past MAXLONG cannot be reached from the start; writing elsewhere would corrupt.
        if (bodyPosition > MAXLONG || !file.seek(static_cast<LONG>(bodyPosition), FILE_BEGIN)) {
            return;
        }
        file.write(&record, sizeof(record));
    }

private:
    KFile& file;
};

// The file is opened as it is, never created (the product would read an empty configuration), and
// only when it is a plain file where its name says: the folder is the desktop user's, who may have
// made it or the file a link to what only administrators may write.
bool openDatabase(KFile& file, const KString& path) {
    constexpr DWORD DATABASE_ACCESS = GENERIC_READ | GENERIC_WRITE;
    UniqueFileHandle database = openUnredirectedFile(path, DATABASE_ACCESS, CheckedLevels::FILE_AND_FOLDER);
    if (!database) {
        return false;
    }
    file.attach(path, database.release(), DATABASE_ACCESS, true);
    return true;
}

} // namespace

void updateDeviceIds(const KString& path, HANDLE userToken) {
    KFile file;
    {
        // The file is the desktop user's: opened with that user's rights, it takes writes only as far
        // as that user could make them. The lookups then run with the process's own.
        const UserImpersonation user(userToken);
        if (!user || !openDatabase(file, path)) {
            return;
        }
    }
    DeviceIdWriter writer(file);
    walkDatabase(file, writer);
}
