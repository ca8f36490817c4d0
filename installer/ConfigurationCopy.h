#pragma once

#include "CopyLeftovers.h"
#include "ProductFolder.h"

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <windows.h>

// What the copy of one configuration file into the desktop user's product folder does there.
enum class CopyDecision {
    NO_APPDATA_FOLDER,     // the AppData folder is unknown: the product folder would be at a drive's root
    LINKED_SOURCE,         // the file in the program folder is a link, has other links or cannot be read
    NO_USER_RIGHTS,        // the desktop user's rights cannot be taken, and no others are used in their place
    NO_PRODUCT_FOLDER,     // the product folder is missing and cannot be made where it belongs
    FOLDER_REDIRECTED,     // the product folder is a link, not where its name says, or cannot be opened
    SAME_FILE,             // the file there is the source itself: nothing is removed, nothing copied
    READ_ONLY_DESTINATION, // the file there is read-only: neither replaced nor written
    DESTINATION_KEPT,      // the file there can be neither replaced by name nor safely written over
    COPY_NEW,              // nothing of that name there (the folder is made first when missing)
    REPLACE,               // the file there is replaced by name, never written through
    OVERWRITE,             // the file there is held by someone who does not share its removal, but may be
                           // written: written over in place
};

// The file that the device rewrite after a database's copy opens.
enum class RewriteTarget {
    NONE,       // no file there that the rewrite may open and write
    FRESH_COPY, // the copy just made
    FILE_THERE, // the file that the copy left as it was
};

// One copy, examined before it is made: the prediction of the pre-flight check and the act of the
// installer are the same examination, so they cannot differ. The source is read with the running
// account's rights (fleet tools keep their content where users cannot read it); everything in the
// product folder is done with the desktop user's, so that the elevated installer writes there only
// what that user could write, and relative to the product folder's held handle, so that no swap after
// the examination can redirect it.
//
// The name never holds a partial file: the copy is written whole under a name of its own, then takes
// the name in one step, or, where the file there is held open and the system cannot replace a held
// file, right after that file is moved aside. What a stopped copy leaves is recovered by the next run
// (CopyLeftovers).
class ConfigurationCopy {
public:
    // Examines, changing nothing, the copy of sourcePath to fileName (which begins with the
    // separator) in the product folder below appDataFolder, for the user of userToken (null: the
    // running account's own folder). The token must outlive the object.
    ConfigurationCopy(const KString& sourcePath, const KString& appDataFolder, const KString& fileName,
                      HANDLE userToken);
    ConfigurationCopy(const ConfigurationCopy&) = delete;
    ConfigurationCopy& operator=(const ConfigurationCopy&) = delete;
    virtual ~ConfigurationCopy() = default;

    CopyDecision decision() const { return decided; }
    RewriteTarget rewriteTarget() const;
    // The leftovers of an earlier copy of this file, and what recovery would do with them.
    const CopyLeftovers& leftovers() const { return leftoversFound; }
    // Makes the copy as decided; nothing is reported. Once only.
    void perform();

private:
    CopyDecision examine(const KString& sourcePath, const KString& appDataFolder);
    CopyDecision examineName(bool sourceFound);
    UniqueFileHandle makeFreshCopy();
    void placeFreshCopy(HANDLE fresh);
    void overwrite();

    const HANDLE userToken; // the desktop user's, not owned
    const KString fileName; // without the separator
    ProductFolder productFolder;
    CopyLeftovers leftoversFound;
    UniqueFileHandle source;          // a plain file of the program folder
    UniqueFileHandle heldDestination; // for OVERWRITE: the file there, opened to be written over
    BY_HANDLE_FILE_INFORMATION sourceFile = {};
    bool fileThereRewritable = false;
    CopyDecision decided;
};
