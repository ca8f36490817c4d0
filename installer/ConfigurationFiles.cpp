#include "ConfigurationFiles.h"

constexpr ConfigurationFile CONFIGURATION_FILES[CONFIGURATION_COUNT] = {
    {L"\\Profiles.db64", L"Copying 64bit Configuration...", true},
    {L"\\Profiles.db", L"Copying 32bit Configuration...", true},
    {L"\\Autostart.dat64", L"Copying 64bit Startup Configuration...", false},
    {L"\\Autostart.dat", L"Copying 32bit Startup Configuration...", false},
};
