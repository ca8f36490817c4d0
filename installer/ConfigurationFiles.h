#pragma once

// The four configuration files, in the order every scan and step treats them. They lie in the
// program folder and are copied into the per-user product folder under the same names.

struct ConfigurationFile {
    const wchar_t* fileName; // begins with the separator
    const wchar_t* copyStatus;
    bool isDatabase; // databases get this machine's device identifiers after the copy
};

constexpr int CONFIGURATION_COUNT = 4;

inline constexpr ConfigurationFile CONFIGURATION_FILES[CONFIGURATION_COUNT] = {
    {L"\\Profiles.db64", L"Copying 64bit Configuration...", true},
    {L"\\Profiles.db", L"Copying 32bit Configuration...", true},
    {L"\\Autostart.dat64", L"Copying 64bit Startup Configuration...", false},
    {L"\\Autostart.dat", L"Copying 32bit Startup Configuration...", false},
};
