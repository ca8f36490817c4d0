// The pre-flight check's entry: its command line, the report on standard output, and its exit code.

#include "CheckCommand.h"

#include "foundation/SystemDllSearch.h"

int wmain(int argumentCount, wchar_t** arguments) {
    restrictDllSearchToSystem();
    return runCheckCommand(argumentCount, arguments, GetStdHandle(STD_OUTPUT_HANDLE));
}
