#include "ScopedEnvironmentVariable.h"

#include <windows.h>

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value) : name(name) {
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
    hadPrevious = length > 0 && length < 4096;
    if (hadPrevious) {
        previous.assign(buffer, length);
    }
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name.c_str(), hadPrevious ? previous.c_str() : nullptr);
}
