#include "ConfigurationDatabase.h"

#include <cstring>

namespace ConfigurationDatabase {

DeviceName readDeviceName(const wchar_t (&field)[NAME_UNITS]) {
    DeviceName name;
    std::memcpy(name.text, field, sizeof(field));
    name.text[NAME_UNITS] = L'\0';
    return name;
}

bool storeDeviceId(const KString& id, wchar_t* field, size_t fieldUnits) {
    const int length = id.length();
    if (length <= 0 || static_cast<size_t>(length) >= fieldUnits) {
        return false;
    }
    std::memcpy(field, id.text(), (static_cast<size_t>(length) + 1) * sizeof(wchar_t));
    return true;
}

} // namespace ConfigurationDatabase
