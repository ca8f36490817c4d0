#pragma once

#include <string>

// Sets an environment variable of this process, which the programs it starts inherit, for the life of
// the object; the previous state comes back afterwards.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value);
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
    ~ScopedEnvironmentVariable();

private:
    std::wstring name;
    std::wstring previous;
    bool hadPrevious = false;
};
