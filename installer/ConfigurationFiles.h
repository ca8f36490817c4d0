#pragma once

// The four configuration files, in the order every scan and step treats them. They lie in the
// program folder and are copied into the per-user product folder under the same names.

struct ConfigurationFile {
    const wchar_t* fileName; // begins with the separator
    const wchar_t* copyStatus;
    bool isDatabase; // databases get this machine's device identifiers after the copy
};

constexpr int CONFIGURATION_COUNT = 4;

// Defined once, in ConfigurationFiles.cpp, so that its texts are not copied into every file that
// reads it.
extern const ConfigurationFile CONFIGURATION_FILES[CONFIGURATION_COUNT];
