#include "UnixMount.h"

#include "TemporaryFolder.h"
#include "UnixProgram.h"

#include <windows.h>

UnixMount::UnixMount(const KString& folder, unsigned long bytes)
    : folderUnixName(unixName(folder)), marker(folder + L"\\pellmont-mount-marker") {
    if (folderUnixName.empty()) {
        problem = "no Unix name (is this Wine?)";
        return;
    }
    if (!writeFileBytes(marker, "marker", 6)) {
        problem = "the marker cannot be written: error " + std::to_string(GetLastError());
        return;
    }
    mountStarted = startUnixProgram("/bin/mount -t tmpfs -o size=" + std::to_string(bytes) +
                                    " pellmont-test \"" + folderUnixName + "\"");
    if (!mountStarted) {
        problem = "/bin/mount did not start: error " + std::to_string(GetLastError());
    } else if (!awaitName(marker, false)) {
        problem = "nothing mounted after /bin/mount (the tests run as root)";
    }
}

// Also where the mount showed too late to be seen, and lazily: a file still open below the folder
// (a holder that a failed assertion left) would otherwise keep the mount after the test.
UnixMount::~UnixMount() {
    if (mountStarted && startUnixProgram("/bin/umount --lazy \"" + folderUnixName + "\"")) {
        awaitName(marker, true);
    }
    DeleteFileW(marker.text());
}
