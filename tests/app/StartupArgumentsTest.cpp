// What the program's own start hands wWinMain, decided as the C runtime's start-up code decides it.

#include "app/StartupArguments.h"

#include <gtest/gtest.h>

#include <string>

TEST(StartupArguments, TheTailFollowsTheProgramNameAndItsBlanks) {
    const struct {
        const wchar_t* commandLine;
        size_t tailOffset;
    } cases[] = {
        {L"", 0},
        {L"Pellmont.exe", 12},
        {L"Pellmont.exe /quiet", 13},
        {L"Pellmont.exe \t  two  words ", 16},
        {L"\"C:\\Deploy here\\Pellmont.exe\" \"D:\\a b\"", 30},
        // The quotes only keep blanks in the name; what follows a closing quote still belongs to it.
        {L"\"C:\\Deploy here\\Pellmont\".exe tail", 30},
        {L"\"C:\\Deploy here\\Pellmont.exe tail", 33},
        {L"Pellmont\x01.exe tail", 9},
        {L"  Pellmont.exe", 2},
    };
    for (const auto& entry : cases) {
        std::wstring commandLine = entry.commandLine;
        EXPECT_EQ(commandLine.data() + entry.tailOffset, commandLineTail(commandLine.data()))
            << testing::PrintToString(commandLine) << " gave the tail "
            << testing::PrintToString(std::wstring(commandLineTail(commandLine.data())));
    }
}

TEST(StartupArguments, TheShowCommandIsTheStartersOnlyWhenItAskedForOne) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    EXPECT_EQ(SW_SHOWDEFAULT, startupShowCommand(startup));
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    EXPECT_EQ(SW_SHOWMINNOACTIVE, startupShowCommand(startup));
    startup.wShowWindow = SW_HIDE;
    EXPECT_EQ(SW_HIDE, startupShowCommand(startup));
}
