#pragma once

#include "foundation/KString.h"

#include <string>

// Creates the missing folders of a path below an existing folder ("\A\B\C" below base) and removes
// those it created, deepest first, when destroyed; folders that were there stay.
class FolderChain {
public:
    FolderChain(const KString& base, const wchar_t* relativePath);
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;
    ~FolderChain();

    // The deepest folder of the chain.
    const KString& path() const { return deepest; }
    bool isComplete() const;

private:
    std::wstring created[16];
    int createdCount = 0;
    KString deepest;
};
