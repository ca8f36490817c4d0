#include "devices/ConfigurationDatabase.h"

#include <gtest/gtest.h>

#include <string>

using namespace ConfigurationDatabase;

namespace {

std::wstring repeated(wchar_t unit, size_t count) {
    return std::wstring(count, unit);
}

} // namespace

TEST(ConfigurationDatabase, DeviceNameEndsAtItsTerminatorOrWithItsField) {
    const struct {
        std::wstring field; // the field's leading units; the rest holds 'x'
        std::wstring expected;
    } cases[] = {
        {std::wstring(L"Line 1\0garbage", 14), L"Line 1"},
        {std::wstring(L"\0Line 1", 7), L""},
        {repeated(L'A', 127) + L'\0', repeated(L'A', 127)},
        {repeated(L'A', 128), repeated(L'A', 128)},
    };
    for (const auto& test : cases) {
        // The units after the field are not zero either, so a read past it would show.
        wchar_t storage[NAME_UNITS + 8];
        std::fill(std::begin(storage), std::end(storage), L'x');
        test.field.copy(storage, test.field.size());
        const DeviceName name = readDeviceName(reinterpret_cast<const wchar_t(&)[NAME_UNITS]>(storage));
        EXPECT_EQ(test.expected, std::wstring(name.text)) << "from " << ::testing::PrintToString(test.field);
    }
}

TEST(ConfigurationDatabase, StoreDeviceIdKeepsTheFieldsLaterBytesAndNeverRunsPastIt) {
    const struct {
        size_t fieldUnits;
        size_t idUnits;
        bool stored;
    } cases[] = {
        {256, 55, true}, {256, 255, true}, {256, 256, false}, {256, 300, false},
        {128, 55, true}, {128, 127, true}, {128, 128, false}, {128, 0, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(::testing::Message() << test.idUnits << " units into " << test.fieldUnits);
        const std::wstring id = repeated(L'i', test.idUnits);
        // A guard unit after the field catches a copy that runs past it.
        std::wstring field = repeated(L'o', test.fieldUnits) + L'G';
        const std::wstring before = field;
        EXPECT_EQ(test.stored,
                  storeDeviceId(KString(id.c_str(), KString::COPY_TEXT), &field[0], test.fieldUnits));
        if (test.stored) {
            EXPECT_EQ(id, field.substr(0, test.idUnits));
            EXPECT_EQ(L'\0', field[test.idUnits]);
            EXPECT_EQ(before.substr(test.idUnits + 1), field.substr(test.idUnits + 1));
        } else {
            EXPECT_EQ(before, field);
        }
    }
}
