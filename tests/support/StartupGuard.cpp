#include "StartupGuard.h"

#include "support/TemporaryFolder.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The address that the link map gives a symbol of the linker script ("0x00401234   NAME = ."), or 0
// when the map does not name it.
uint64_t mapAddress(const std::string& map, const char* symbol) {
    const size_t found = map.find(std::string(" ") + symbol + " = ");
    const size_t address = found == std::string::npos ? std::string::npos : map.rfind("0x", found);
    return address == std::string::npos ? 0 : std::strtoull(map.c_str() + address, nullptr, 16);
}

class ProgramImage {
public:
    explicit ProgramImage(const std::string& bytes) : bytes(bytes) {
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
        headers = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
        is64Bit = headers->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
        const auto* headers64 = reinterpret_cast<const IMAGE_NT_HEADERS64*>(headers);
        imageBase = is64Bit ? headers64->OptionalHeader.ImageBase : headers->OptionalHeader.ImageBase;
        tlsDirectory = is64Bit ? headers64->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS]
                               : headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
    }

    bool hasSection(const char* name) const {
        const IMAGE_SECTION_HEADER* entry = IMAGE_FIRST_SECTION(headers);
        for (WORD index = 0; index < headers->FileHeader.NumberOfSections; ++index, ++entry) {
            if (std::strncmp(reinterpret_cast<const char*>(entry->Name), name, IMAGE_SIZEOF_SHORT_NAME) ==
                0) {
                return true;
            }
        }
        return false;
    }

    // The pointer-sized value that the file holds at a virtual address; false outside every section.
    bool pointerAt(uint64_t address, uint64_t& value) const {
        const uint64_t rva = address - imageBase;
        const IMAGE_SECTION_HEADER* entry = IMAGE_FIRST_SECTION(headers);
        for (WORD index = 0; index < headers->FileHeader.NumberOfSections; ++index, ++entry) {
            if (rva >= entry->VirtualAddress &&
                rva + pointerSize() <= entry->VirtualAddress + entry->SizeOfRawData) {
                value = 0;
                std::memcpy(&value, bytes.data() + (rva - entry->VirtualAddress + entry->PointerToRawData),
                            pointerSize());
                return true;
            }
        }
        return false;
    }

    unsigned pointerSize() const { return is64Bit ? 8 : 4; }
    IMAGE_DATA_DIRECTORY tlsDirectory;

private:
    const std::string& bytes;
    const IMAGE_NT_HEADERS32* headers;
    bool is64Bit;
    uint64_t imageBase;
};

// A constructor or destructor list as the linker script lays it out: all ones, the entries, zero.
// What is wrong with it, or nothing.
std::string listFinding(const ProgramImage& program, uint64_t address) {
    const uint64_t endMarker = program.pointerSize() == 8 ? ~uint64_t{0} : 0xFFFFFFFFu;
    uint64_t marker = 0;
    uint64_t first = 0;
    if (address == 0 || !program.pointerAt(address, marker) ||
        !program.pointerAt(address + program.pointerSize(), first)) {
        return "the list is not in the file";
    }
    if (marker != endMarker || first != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "the list holds 0x%llx", static_cast<unsigned long long>(first));
        return text;
    }
    return {};
}

} // namespace

::testing::AssertionResult needsNoRuntimeStartup(const wchar_t* program, const wchar_t* linkMap) {
    std::string image;
    std::string map;
    if (!readFileBytes(KString(program, KString::REFER_STATIC), image) ||
        !readFileBytes(KString(linkMap, KString::REFER_STATIC), map)) {
        return ::testing::AssertionFailure() << "the program or its link map cannot be read";
    }
    const ProgramImage file(image);
    std::string findings;
    for (const char* list : {"__CTOR_LIST__", "__DTOR_LIST__"}) {
        const std::string finding = listFinding(file, mapAddress(map, list));
        if (!finding.empty()) {
            findings +=
                std::string("a global object to construct or destroy (") + list + ": " + finding + "); ";
        }
    }
    if (file.tlsDirectory.VirtualAddress != 0 || file.tlsDirectory.Size != 0) {
        findings += "a TLS directory; ";
    }
    for (const char* section : {".tls", ".CRT"}) {
        if (file.hasSection(section)) {
            findings += std::string("thread-local data, TLS callbacks or C initialisers (") + section + "); ";
        }
    }
    const uint64_t relocationsStart = mapAddress(map, "__rt_psrelocs_start");
    const uint64_t relocationsEnd = mapAddress(map, "__rt_psrelocs_end");
    if (relocationsStart == 0 || relocationsEnd != relocationsStart) {
        findings += "pseudo-relocations (" + std::to_string(relocationsEnd - relocationsStart) + " bytes); ";
    }
    if (findings.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "needs the C runtime's start-up code for " << findings;
}
