#pragma once

#include "FolderChain.h"

#include "foundation/KString.h"

#include <memory>
#include <string>
#include <vector>

// A machine without the product, before the test and after it: no product of the test packages
// installed, no product key in either registry view, no plug-in's module file, and no product folder
// in the desktop user's AppData folder, with everything a run or a stopped copy leaves in it.
class CleanMachine {
public:
    CleanMachine();
    CleanMachine(const CleanMachine&) = delete;
    CleanMachine& operator=(const CleanMachine&) = delete;
    ~CleanMachine();

    // Cleans again, as between the cases of one test.
    void clean();
    // Puts the module file of plug-in plugin (an index of PLUGINS) in place, with the folders it needs,
    // as its package would: the plug-in then counts as installed.
    void installPluginModule(int plugin);
    // Puts a file into the product folder, which is made first where it is missing.
    void putInProductFolder(const wchar_t* name, const std::string& bytes = "x") const;

    // The desktop user's product folder, "Veltrano Pro" in the AppData folder the test began with.
    // wineOnly: the desktop user is the account the tests run as (WTSQueryUserToken gives this process
    // the console user's token, and that user is this account); on Windows it is the console user.
    const KString& productFolder() const { return folder; }

private:
    const KString folder;
    std::vector<std::unique_ptr<FolderChain>> chains; // the folders of the module files put in place
};
