#pragma once

#include "foundation/HeldFolder.h"
#include "foundation/KString.h"

// The desktop user's product folder as the copy writes into it. The AppData folder is taken as it is
// (administrators may have moved it with a link); the product folder in it must be a folder, no link,
// and lie where its name says. It is opened, and made when missing, relative to the AppData folder's
// handle, and held while it is written into. Everything is done with the rights the calling thread
// has: callers take the desktop user's.
class ProductFolder {
public:
    enum class State {
        NO_APPDATA_FOLDER, // the AppData folder is unknown, or cannot be opened
        CANNOT_BE_MADE,    // missing, and the AppData folder takes no new folder
        TO_BE_MADE,        // missing; the AppData folder takes new folders
        REDIRECTED,        // a link, not where its name says, or not a folder that can be opened
        HELD,              // checked and held
    };

    ProductFolder() = default;
    ProductFolder(const ProductFolder&) = delete;
    ProductFolder& operator=(const ProductFolder&) = delete;
    virtual ~ProductFolder() = default;

    // Opens the AppData folder and the product folder in it, or finds how it would be made.
    void open(const KString& appDataFolder);
    State state() const { return current; }
    // Makes the folder when it is to be made; it is then held, or redirected when what the name
    // gives is not what was made.
    void make();
    const HeldFolder& held() const { return folder; }

private:
    void hold(HeldFolder candidate);

    HeldFolder appData;
    HeldFolder folder;
    State current = State::NO_APPDATA_FOLDER;
};
