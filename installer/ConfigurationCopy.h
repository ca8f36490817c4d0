#pragma once

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

#include <windows.h>

// What the copy of one configuration file into the desktop user's product folder does there.
enum class CopyDecision {
    NO_APPDATA_FOLDER, // the AppData folder is unknown: the product folder would be at a drive's root
    LINKED_SOURCE,     // the file in the program folder is a link, has other links or cannot be read
    NO_USER_RIGHTS,    // the desktop user's rights cannot be taken, and no others are used in their place
    NO_PRODUCT_FOLDER, // the product folder is missing and cannot be made where it belongs
    FOLDER_REDIRECTED, // the product folder is a link, or not where its name says: left alone
    SAME_FILE,         // the file there is the source itself: nothing is removed, nothing copied
    DESTINATION_KEPT,  // the file there can be neither removed nor safely written over: it stays
    COPY_NEW,          // nothing of that name there (the folder is made when it is missing)
    REPLACE,           // the file there is moved aside by its name, never what it may lead to, the copy
                       // is made, and the moved file removed; a failed copy gets it back
    OVERWRITE,         // the file there cannot be removed but is a plain file of the folder that can
                       // be written: written over in place
};

// One copy, examined before it is made: the prediction of the pre-flight check and the act of the
// installer are the same examination, so they cannot differ. The source is read with the running
// account's rights (fleet tools keep their content where users cannot read it); everything in the
// product folder is done with the desktop user's, so that the elevated installer writes there only
// what that user could write. What the examination checked is held open until the copy is made or
// the object goes, so that it cannot be swapped meanwhile.
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
    // Makes the copy as decided; nothing is reported. Once only.
    void perform();

private:
    CopyDecision examine(const KString& sourcePath, const KString& appDataFolder);
    bool isTheSource(const KString& path) const;
    bool makeCopy();
    void replace();

    const HANDLE userToken; // the desktop user's, not owned
    KString destination;
    UniqueFileHandle input;     // the source, a plain file of the program folder
    UniqueFileHandle folder;    // the product folder as checked
    UniqueFileHandle name;      // the destination's name, opened to move it aside and remove it
    UniqueFileHandle remaining; // the destination, a plain file opened to write over
    BY_HANDLE_FILE_INFORMATION sourceFile = {};
    CopyDecision decided;
};
