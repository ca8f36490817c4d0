#include "DatabaseCheck.h"

#include "devices/DatabaseWalk.h"
#include "foundation/KFile.h"
#include "foundation/UniqueResource.h"

using namespace ConfigurationDatabase;

namespace {

constexpr int STORED_DEVICE_COUNT = 4;

constexpr const wchar_t* DEVICE_PLACES[STORED_DEVICE_COUNT] = {
    L"    header, first device ",
    L"    header, second device ",
    L"    device-pair record, first device ",
    L"    device-pair record, second device ",
};

bool stopsTheRewrite(DeviceDecision decision) {
    return decision == DeviceDecision::NO_ENDPOINT || decision == DeviceDecision::ID_TOO_LONG;
}

KString decisionText(DeviceDecision decision, const KString& endpointId) {
    switch (decision) {
    case DeviceDecision::KEPT:
        return KString(L"kept, a built-in device", KString::REFER_STATIC);
    case DeviceDecision::UPDATED:
        return L"would be given " + endpointId;
    case DeviceDecision::NO_ENDPOINT:
        return KString(L"no active endpoint has this name; the rewrite stops here", KString::REFER_STATIC);
    case DeviceDecision::ID_TOO_LONG:
        return L"its endpoint identifier " + endpointId + L" does not fit the field; the rewrite stops here";
    case DeviceDecision::NOT_REACHED:
        break;
    }
    return KString(L"not reached", KString::REFER_STATIC);
}

// Where the layout ends the walk, when that is not the end of a well-formed file; empty otherwise.
const wchar_t* walkEndText(WalkEnd end) {
    switch (end) {
    case WalkEnd::TOO_SHORT:
        return L"    Too short for a configuration database (its header alone is 1594 bytes), or unreadable: "
               L"the rewrite leaves it as it is.";
    case WalkEnd::ENTRIES_CUT:
        return L"    Malformed: its entry list runs past the end of the file; the walk stops there.";
    case WalkEnd::NO_RECORD_COUNT:
        return L"    Malformed: the file ends before its record count; the walk stops there.";
    case WalkEnd::RECORDS_CUT:
        return L"    Malformed: its record list runs past the end of the file before a device-pair record; "
               L"the walk stops there.";
    case WalkEnd::DEVICE_PAIR_CUT:
        return L"    Malformed: its device-pair record runs past the end of the file; the walk stops there.";
    case WalkEnd::NO_DEVICE_PAIR:
    case WalkEnd::DEVICE_NOT_UPDATED:
    case WalkEnd::HEADER_NOT_WRITTEN:
    case WalkEnd::COMPLETE:
        break;
    }
    return nullptr;
}

// Follows the rewrite's walk to the end of the layout, writing nothing, and notes each device.
class DeviceReporter {
public:
    explicit DeviceReporter(CheckReport& report) : report(report) {}

    bool deviceDecided(StoredDevice device, const wchar_t* name, DeviceDecision decision,
                       const KString& endpointId) {
        const int place = static_cast<int>(device);
        names[place] = KString(name, KString::COPY_TEXT);
        reached[place] = true;
        if (stopsTheRewrite(decision) && firstStop < 0) {
            firstStop = place;
        }
        report.line(DEVICE_PLACES[place] + quoted(name) + L": " + decisionText(decision, endpointId));
        return true;
    }

    bool headerDecided(const HeaderDeviceBlock&) { return true; }
    void devicePairDecided(DWORD, const DevicePairRecord&) {}

    // A header device that stops the rewrite leaves the whole file as it was; a record device leaves
    // the record as it was. Built-in devices keep theirs anyway and are not named.
    void reportKeptIdentifiers() {
        if (firstStop < 0) {
            return;
        }
        KString kept;
        for (int place = firstStop < 2 ? 0 : 2; place < STORED_DEVICE_COUNT; ++place) {
            if (reached[place] && !isPseudoDevice(names[place].text())) {
                kept =
                    kept.isEmpty() ? quoted(names[place].text()) : kept + L", " + quoted(names[place].text());
            }
        }
        report.line(L"    Would keep their old identifiers: " + kept);
        report.needsAttention(DEVICE_NOT_UPDATED);
    }

private:
    CheckReport& report;
    KString names[STORED_DEVICE_COUNT];
    bool reached[STORED_DEVICE_COUNT] = {};
    int firstStop = -1;
};

} // namespace

void checkDatabase(const KString& path, CheckReport& report) {
    // Read only, and as it is: never created, shared with whoever has it open.
    UniqueFileHandle handle(CreateFileW(path.text(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        report.line(KString(L"    Cannot be read: the copy would fail.", KString::REFER_STATIC));
        report.needsAttention(CONFIGURATION_NOT_COPIED);
        return;
    }
    KFile file;
    file.attach(path, handle.release(), GENERIC_READ, true);
    DeviceReporter reporter(report);
    const WalkEnd end = walkDatabase(file, reporter);
    reporter.reportKeptIdentifiers();
    if (end == WalkEnd::NO_DEVICE_PAIR) {
        report.line(KString(L"    No device-pair record: only the header's devices are rewritten.",
                            KString::REFER_STATIC));
    }
    const wchar_t* const ending = walkEndText(end);
    if (ending != nullptr) {
        report.line(KString(ending, KString::REFER_STATIC));
        report.needsAttention(DATABASE_MALFORMED);
    }
}
