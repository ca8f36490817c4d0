#include "PackageProperties.h"

#include "foundation/UniqueResource.h"

#include <cstdlib>

// A handle of the loaded msi.dll, closed through it.
class PackagePropertyReader::OwnedHandle {
public:
    explicit OwnedHandle(const PackagePropertyReader& reader) : reader(reader) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (handle != 0) {
            reader.closeHandle(handle);
        }
    }

    Handle get() const { return handle; }
    Handle* put() { return &handle; }

private:
    const PackagePropertyReader& reader;
    Handle handle = 0;
};

PackagePropertyReader::PackagePropertyReader()
    : library(L"msi.dll"), openDatabase(library.find<decltype(openDatabase)>("MsiOpenDatabaseW")),
      openView(library.find<decltype(openView)>("MsiDatabaseOpenViewW")),
      execute(library.find<decltype(execute)>("MsiViewExecute")),
      fetch(library.find<decltype(fetch)>("MsiViewFetch")),
      recordString(library.find<decltype(recordString)>("MsiRecordGetStringW")),
      closeHandle(library.find<decltype(closeHandle)>("MsiCloseHandle")) {}

bool PackagePropertyReader::isAvailable() const {
    return openDatabase != nullptr && openView != nullptr && execute != nullptr && fetch != nullptr &&
           recordString != nullptr && closeHandle != nullptr;
}

PackageProperties PackagePropertyReader::read(const KString& packagePath) const {
    PackageProperties properties;
    if (!isAvailable()) {
        return properties;
    }
    OwnedHandle database(*this);
    // Null persistence: opened read-only.
    if (openDatabase(packagePath.text(), nullptr, database.put()) != ERROR_SUCCESS) {
        return properties;
    }
    properties.productCode = property(database.get(), L"ProductCode");
    properties.productVersion = property(database.get(), L"ProductVersion");
    properties.readable = !properties.productCode.isEmpty();
    return properties;
}

KString PackagePropertyReader::property(Handle database, const wchar_t* name) const {
    OwnedHandle view(*this);
    OwnedHandle record(*this);
    const KString query =
        L"SELECT `Value` FROM `Property` WHERE `Property` = '" + KString(name, KString::REFER_STATIC) + L"'";
    if (openView(database, query.text(), view.put()) != ERROR_SUCCESS ||
        execute(view.get(), 0) != ERROR_SUCCESS || fetch(view.get(), record.put()) != ERROR_SUCCESS) {
        return KString();
    }
    DWORD units = 0;
    wchar_t none[1] = {};
    if (recordString(record.get(), 1, none, &units) != ERROR_MORE_DATA) {
        return KString();
    }
    ++units; // the terminator
    UniqueMemory<wchar_t> buffer(static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t))));
    if (!buffer || recordString(record.get(), 1, buffer.get(), &units) != ERROR_SUCCESS) {
        return KString();
    }
    return KString(buffer.release(), KString::ADOPT_BUFFER, static_cast<int>(units));
}
