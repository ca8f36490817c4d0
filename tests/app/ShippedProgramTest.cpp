// The shipped 32-bit program as a file: its imports, subsystem, manifest, icon group and version, what
// its link took from the C++ runtime, and that it needs nothing of the C runtime's start-up code.

#include "ProjectVersion.h"
#include "support/TestPaths.h"

#include "foundation/KString.h"
#include "support/StartupGuard.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

class ShippedProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(readFileBytes(KString(INSTALLER_PROGRAM, KString::REFER_STATIC), image))
            << "no program at " << testing::PrintToString(std::wstring(INSTALLER_PROGRAM));
        ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
        ASSERT_EQ(IMAGE_DOS_SIGNATURE, dos->e_magic);
        headers = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
        ASSERT_EQ(static_cast<DWORD>(IMAGE_NT_SIGNATURE), headers->Signature);
    }

    // The file offset of a relative virtual address, through the section table.
    size_t fileOffset(DWORD rva) const {
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
        for (WORD index = 0; index < headers->FileHeader.NumberOfSections; ++index, ++section) {
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize) {
                return rva - section->VirtualAddress + section->PointerToRawData;
            }
        }
        return 0;
    }

    std::string image;
    const IMAGE_NT_HEADERS32* headers = nullptr;
};

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

TEST_F(ShippedProgram, IsA32BitGuiProgramImportingOnlySystemLibraries) {
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, headers->FileHeader.Machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, headers->OptionalHeader.Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, headers->OptionalHeader.Subsystem);

    const std::set<std::string> system = {"advapi32.dll", "comctl32.dll", "gdi32.dll",
                                          "kernel32.dll", "msvcrt.dll",   "ntdll.dll",
                                          "ole32.dll",    "shell32.dll",  "user32.dll"};
    const IMAGE_DATA_DIRECTORY& directory =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t offset = fileOffset(directory.VirtualAddress);
    ASSERT_NE(0u, offset);
    int imported = 0;
    std::set<std::string> functions;
    for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        ASSERT_LE(offset + sizeof(IMAGE_IMPORT_DESCRIPTOR), image.size());
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::memcpy(&descriptor, image.data() + offset, sizeof descriptor);
        if (descriptor.Name == 0) {
            break;
        }
        const std::string name = lowercase(image.c_str() + fileOffset(descriptor.Name));
        EXPECT_TRUE(system.count(name) == 1) << "imports " << name;
        ++imported;
        const DWORD lookupTable =
            descriptor.OriginalFirstThunk != 0 ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
        for (size_t entry = fileOffset(lookupTable); entry != 0; entry += sizeof(DWORD)) {
            ASSERT_LE(entry + sizeof(DWORD), image.size());
            DWORD thunk;
            std::memcpy(&thunk, image.data() + entry, sizeof thunk);
            if (thunk == 0) {
                break;
            }
            if ((thunk & IMAGE_ORDINAL_FLAG32) == 0) {
                functions.insert(image.c_str() + fileOffset(thunk) + sizeof(WORD)); // after the hint
            }
        }
    }
    EXPECT_GE(imported, 5);
    EXPECT_EQ(1u, functions.count("CreateFileW")) << "the import names were read";
    // Missing before Windows 8: looked up when the program runs, so that it still starts there.
    EXPECT_EQ(0u, functions.count("SetProcessMitigationPolicy"));
    EXPECT_NE(std::string::npos, image.find("SetProcessMitigationPolicy")) << "the policy is not asked for";
}

TEST_F(ShippedProgram, CarriesItsManifestAndSevenImageIcon) {
    const HMODULE module = LoadLibraryExW(INSTALLER_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module) << GetLastError();

    const HRSRC manifestResource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, manifestResource) << GetLastError();
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, manifestResource))),
                               SizeofResource(module, manifestResource));
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos,
              manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    // The program's own assembly carries the project's one version.
    std::string version;
    for (const unsigned short number : PROJECT_VERSION_NUMBERS) {
        version += (version.empty() ? "" : ".") + std::to_string(number);
    }
    EXPECT_NE(std::string::npos, manifest.find("name=\"Pellmont.Installer\" version=\"" + version + "\""))
        << manifest;

    const HRSRC groupResource = FindResourceW(module, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14));
    ASSERT_NE(nullptr, groupResource) << GetLastError();
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, groupResource)));
    IconGroupHeader header;
    std::memcpy(&header, group, sizeof header);
    ASSERT_EQ(7, header.count);
    std::set<int> sizes;
    for (WORD index = 0; index < header.count; ++index) {
        IconGroupEntry entry;
        std::memcpy(&entry, group + sizeof header + index * sizeof entry, sizeof entry);
        EXPECT_EQ(32, entry.bitCount) << "image " << index;
        EXPECT_EQ(entry.width, entry.height);
        sizes.insert(entry.width);
        const HRSRC imageResource = FindResourceW(module, MAKEINTRESOURCEW(entry.id), MAKEINTRESOURCEW(3));
        ASSERT_NE(nullptr, imageResource) << "image " << entry.id;
        // Each image is stored as PNG, which a bitmap would take several times the bytes of, and decodes
        // by itself at its own size.
        BYTE* const bits = static_cast<BYTE*>(LockResource(LoadResource(module, imageResource)));
        ASSERT_GE(SizeofResource(module, imageResource), 8u);
        EXPECT_EQ(0, std::memcmp(bits, "\x89PNG\r\n\x1a\n", 8)) << "image " << entry.id << " is no PNG";
        const HICON icon = CreateIconFromResourceEx(bits, SizeofResource(module, imageResource), TRUE,
                                                    0x00030000, 0, 0, LR_DEFAULTCOLOR);
        ASSERT_NE(nullptr, icon) << "image " << entry.id << " of " << int(entry.width) << " pixels";
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        ASSERT_NE(nullptr, info.hbmColor) << "image " << entry.id << " has colour";
        GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(entry.width, colour.bmWidth);
        EXPECT_EQ(entry.height, colour.bmHeight);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_EQ((std::set<int>{16, 20, 24, 32, 40, 48, 64}), sizes);
    FreeLibrary(module);
}

// Read as Explorer's Details tab and inventory tools read it, through the system's version functions.
TEST(ShippedProgramVersion, CarriesTheProjectVersionInUsEnglishUnicode) {
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeW(INSTALLER_PROGRAM, &unused);
    ASSERT_NE(0u, size) << GetLastError();
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(INSTALLER_PROGRAM, 0, size, info.data())) << GetLastError();

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    const DWORD mostSignificant = MAKELONG(PROJECT_VERSION_NUMBERS[1], PROJECT_VERSION_NUMBERS[0]);
    const DWORD leastSignificant = MAKELONG(PROJECT_VERSION_NUMBERS[3], PROJECT_VERSION_NUMBERS[2]);
    EXPECT_EQ(mostSignificant, fixed->dwFileVersionMS);
    EXPECT_EQ(leastSignificant, fixed->dwFileVersionLS);
    EXPECT_EQ(mostSignificant, fixed->dwProductVersionMS);
    EXPECT_EQ(leastSignificant, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);

    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(2 * sizeof(WORD), length);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(0x0409, translation[0]) << "English (United States)";
    EXPECT_EQ(1200, translation[1]) << "Unicode";

    const struct {
        const wchar_t* name;
        const wchar_t* expected;
    } strings[] = {
        {L"ProductName", L"Pellmont"},          {L"ProductVersion", PROJECT_VERSION_TEXT},
        {L"FileVersion", PROJECT_VERSION_TEXT}, {L"FileDescription", L"Veltrano Pro installer"},
        {L"OriginalFilename", L"Pellmont.exe"},
    };
    for (const auto& string : strings) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + string.name;
        ASSERT_TRUE(VerQueryValueW(info.data(), path.c_str(), &value, &length))
            << testing::PrintToString(path);
        EXPECT_EQ(std::wstring(string.expected), static_cast<const wchar_t*>(value))
            << testing::PrintToString(path);
    }
}

// Any member of these would bring the C++ runtime's exception machinery, or its threads, into the
// program: a few hundred kilobytes for nothing the program uses.
TEST(ShippedProgramLink, TakesNothingFromTheCxxRuntime) {
    std::string map;
    ASSERT_TRUE(readFileBytes(KString(INSTALLER_MAP, KString::REFER_STATIC), map))
        << "no link map at " << testing::PrintToString(std::wstring(INSTALLER_MAP));
    const size_t included = map.find("Archive member included");
    const size_t discarded = map.find("Discarded input sections");
    ASSERT_NE(std::string::npos, included);
    ASSERT_NE(std::string::npos, discarded);
    const std::string members = map.substr(included, discarded - included);
    EXPECT_NE(std::string::npos, members.find("libkernel32.a(")) << "the map lists archive members";
    for (const char* archive :
         {"/libstdc++.a(", "/libsupc++.a(", "/libgcc_eh.a(", "/libwinpthread.a(", "/libpthread.a("}) {
        const size_t found = members.find(archive);
        EXPECT_EQ(std::string::npos, found)
            << "linked from " << archive << ": " << members.substr(found, members.find('\n', found) - found);
    }
}

// The program starts at its own entry: nothing there constructs global objects, sets up thread-local
// data or applies pseudo-relocations.
TEST(ShippedProgramLink, NeedsNothingOfTheRuntimeStartupCode) {
    EXPECT_TRUE(needsNoRuntimeStartup(INSTALLER_PROGRAM, INSTALLER_MAP));
}
