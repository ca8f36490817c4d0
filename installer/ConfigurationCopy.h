#pragma once

#include "foundation/KString.h"
#include "foundation/UniqueResource.h"

// What the copy of one configuration file into the desktop user's product folder does there.
enum class CopyDecision {
    NO_APPDATA_FOLDER, // the AppData folder is unknown: the product folder would be at a drive's root
    NO_PRODUCT_FOLDER, // the product folder is missing and cannot be made where it belongs
    FOLDER_REDIRECTED, // the product folder is a link, or not where its name says: left alone
    DESTINATION_KEPT,  // the file there can be neither removed nor safely written over: it stays
    COPY_NEW,          // nothing of that name there (the folder is made when it is missing)
    REPLACE,           // the file there is removed, never what it may lead to, and copied anew
    OVERWRITE,         // the file there cannot be removed but is a plain file of the folder that can
                       // be written: written over in place
};

// One copy, examined before it is made: the prediction of the pre-flight check and the act of the
// installer are the same examination, so they cannot differ. What the examination checked is held
// open until the copy is made or the object goes, so that it cannot be swapped meanwhile.
class ConfigurationCopy {
public:
    // Examines, changing nothing, the copy of sourcePath to fileName (which begins with the
    // separator) in the product folder below appDataFolder.
    ConfigurationCopy(const KString& sourcePath, const KString& appDataFolder, const KString& fileName);
    ConfigurationCopy(const ConfigurationCopy&) = delete;
    ConfigurationCopy& operator=(const ConfigurationCopy&) = delete;
    virtual ~ConfigurationCopy() = default;

    CopyDecision decision() const { return decided; }
    // Makes the copy as decided; nothing is reported. Once only.
    void perform();

private:
    CopyDecision examine(const KString& appDataFolder);

    const KString source;
    KString destination;
    UniqueFileHandle folder;    // the product folder as checked
    UniqueFileHandle name;      // the destination's name, opened to remove it
    UniqueFileHandle remaining; // the destination, a plain file opened to write over
    CopyDecision decided;
};
