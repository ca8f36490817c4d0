#pragma once

#include "DatabaseWalk.h"

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

// What the device identifier update would leave in a copy of a database, foretold by the same walk
// and decisions without writing: the pre-flight check reports it.

// What becomes of one stored device.
enum class DeviceOutcome {
    NOT_VISITED,       // the walk never came to it (the file ended before)
    PSEUDO_DEVICE,     // one of the product's built-in devices: never looked up, keeps its identifier
    GIVEN_ENDPOINT_ID, // this machine's endpoint identifier is stored
    FOUND_NOT_STORED,  // it has an endpoint, but the other device of its header or record stops the
                       // rewrite first, so the block is not stored and it keeps its old identifier
    NO_ENDPOINT,       // no active endpoint bears its name: the rewrite stops here
    ID_TOO_LONG,       // its endpoint identifier does not fit the field: the rewrite stops here
    NOT_REACHED,       // after the device that stopped the rewrite: never looked up
};

struct DeviceForecast {
    DeviceOutcome outcome = DeviceOutcome::NOT_VISITED;
    KString name;       // as stored, up to its terminator or the field's end
    KString endpointId; // when one was found
};

constexpr int STORED_DEVICE_COUNT = 4;

struct DatabaseForecast {
    bool readable = false; // false: the file cannot be opened for reading
    WalkEnd end = WalkEnd::TOO_SHORT;
    DeviceForecast devices[STORED_DEVICE_COUNT]; // indexed by StoredDevice
};

// Reads the database at path, shared with whoever holds it open, never creating or writing it. COM
// must be initialised on the calling thread.
DatabaseForecast forecastDeviceIdUpdate(const KString& path);

// The bytes the device identifier update would leave in a copy of the database at path, read shared
// with whoever holds it and never written: its bytes with the header and the device-pair record the
// rewrite stores. size is the file's; null when it cannot be read whole. COM must be initialised on
// the calling thread.
UniqueMemory<BYTE> forecastUpdatedContent(const KString& path, DWORD& size);

// True for a device the walk came to that keeps the identifier it has, though it is no built-in
// device: the rewrite stopped at it, before it, or before storing its block.
bool keepsItsOldIdentifier(const DeviceForecast& device);
