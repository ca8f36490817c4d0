#include "UnixSymbolicLink.h"

#include "UnixProgram.h"

#include <windows.h>

UnixSymbolicLink::UnixSymbolicLink(const KString& target, const KString& link)
    : linkUnixName(unixName(link)), linkName(link) {
    const std::string targetUnixName = unixName(target);
    if (targetUnixName.empty() || linkUnixName.empty()) {
        problem = "no Unix name (is this Wine?)";
    } else if (!startUnixProgram("/bin/ln -s \"" + targetUnixName + "\" \"" + linkUnixName + "\"")) {
        problem = "/bin/ln did not start: error " + std::to_string(GetLastError());
    } else if (!awaitName(link, true)) {
        problem = "no link after /bin/ln";
    }
}

UnixSymbolicLink::~UnixSymbolicLink() {
    if (!linkUnixName.empty() && startUnixProgram("/bin/rm -f \"" + linkUnixName + "\"")) {
        awaitName(linkName, false);
    }
}
