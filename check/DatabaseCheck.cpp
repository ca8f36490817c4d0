#include "DatabaseCheck.h"

namespace {

constexpr const wchar_t* DEVICE_PLACES[STORED_DEVICE_COUNT] = {
    L"    header, first device ",
    L"    header, second device ",
    L"    device-pair record, first device ",
    L"    device-pair record, second device ",
};

KString outcomeText(const DeviceForecast& device, bool inHeader) {
    switch (device.outcome) {
    case DeviceOutcome::PSEUDO_DEVICE:
        return KString(L"kept, a built-in device", KString::REFER_STATIC);
    case DeviceOutcome::GIVEN_ENDPOINT_ID:
        return L"would be given " + device.endpointId;
    case DeviceOutcome::FOUND_NOT_STORED:
        return L"has the endpoint " + device.endpointId +
               (inHeader ? L", but keeps its old identifier: the rewrite stops before it stores the header"
                         : L", but keeps its old identifier: the rewrite stops before it stores the record");
    case DeviceOutcome::NO_ENDPOINT:
        return KString(L"no active endpoint has this name; the rewrite stops here", KString::REFER_STATIC);
    case DeviceOutcome::ID_TOO_LONG:
        return L"its endpoint identifier " + device.endpointId +
               L" does not fit the field; the rewrite stops here";
    case DeviceOutcome::NOT_REACHED:
    case DeviceOutcome::NOT_VISITED:
        break;
    }
    return KString(L"not reached", KString::REFER_STATIC);
}

// Where the layout ends the walk, when that is not the end of a well-formed file; null otherwise.
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
    case WalkEnd::STOPPED_AT_DEVICE:
    case WalkEnd::HEADER_NOT_WRITTEN:
    case WalkEnd::COMPLETE:
        break;
    }
    return nullptr;
}

} // namespace

void reportDeviceForecast(const DatabaseForecast& forecast, CheckReport& report) {
    if (!forecast.readable) {
        report.line(KString(L"    Cannot be read: the copy would fail.", KString::REFER_STATIC));
        report.needsAttention(CONFIGURATION_NOT_COPIED);
        return;
    }
    KString kept;
    for (int place = 0; place < STORED_DEVICE_COUNT; ++place) {
        const DeviceForecast& device = forecast.devices[place];
        if (device.outcome == DeviceOutcome::NOT_VISITED) {
            continue;
        }
        const bool inHeader = place <= static_cast<int>(StoredDevice::HEADER_SECOND);
        report.line(DEVICE_PLACES[place] + quoted(device.name.text()) + L": " +
                    outcomeText(device, inHeader));
        if (keepsItsOldIdentifier(device)) {
            const KString name = quoted(device.name.text());
            kept = kept.isEmpty() ? name : kept + L", " + name;
        }
    }
    if (!kept.isEmpty()) {
        report.line(L"    Would keep their old identifiers: " + kept);
        report.needsAttention(DEVICE_KEEPS_OLD_IDENTIFIER);
    }
    if (forecast.end == WalkEnd::NO_DEVICE_PAIR) {
        report.line(KString(L"    No device-pair record: only the header's devices are rewritten.",
                            KString::REFER_STATIC));
    }
    const wchar_t* const ending = walkEndText(forecast.end);
    if (ending != nullptr) {
        report.line(KString(ending, KString::REFER_STATIC));
        report.needsAttention(DATABASE_MALFORMED);
    }
}
