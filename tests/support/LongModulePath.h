#pragma once

#include <cstddef>
#include <string>

// A module path of exactly units units (at least 14): a drive, folders of at most 200 units each,
// then "\probe.exe".
inline std::wstring longModulePath(size_t units) {
    const std::wstring file = L"\\probe.exe";
    std::wstring path = L"C:";
    while (path.size() + file.size() < units) {
        // The folder's name and its separator; a last folder of a single unit would have no name.
        const size_t room = units - path.size() - file.size() - 1;
        const size_t name = room <= 200 ? room : (room - 200 >= 2 ? 200 : 199);
        path += L'\\';
        path.append(name, L'x');
    }
    return path + file;
}
