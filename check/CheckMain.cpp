// wmain, where the pre-flight check starts once its start-up (CheckStart.cpp) has split the command
// line: the report on standard output, and its exit code.

#include "CheckCommand.h"

#include "foundation/SystemDllSearch.h"

int wmain(int argumentCount, wchar_t** arguments) {
    restrictDllSearchToSystem();
    return runCheckCommand(argumentCount, arguments, GetStdHandle(STD_OUTPUT_HANDLE));
}
