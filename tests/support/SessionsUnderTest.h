#pragma once

#include "installer/DesktopUser.h"

#include <windows.h>

#include <vector>

// A machine's sessions as the system lists them and the users signed in to them, answered through
// DesktopUser's queries (queries), for the life of the object. A token of the running account stands
// for a session's user.
// wineOnly: there is one session, one account and no system account; WTSEnumerateSessionsW lists no
// session and WTSQueryUserToken gives any process the console user's token. On Windows the sessions
// are listed and only the system account may ask for a user's token.
class SessionsUnderTest {
public:
    struct Session {
        DWORD id;
        WTS_CONNECTSTATE_CLASS state;
        bool signedIn;
    };

    SessionsUnderTest(std::vector<Session> sessions, bool runsAsSystem);
    SessionsUnderTest(const SessionsUnderTest&) = delete;
    SessionsUnderTest& operator=(const SessionsUnderTest&) = delete;
    ~SessionsUnderTest();

    SessionQueries queries;
    std::vector<DWORD> asked; // the sessions whose user's token was asked for
    int listed = 0;
    int released = 0;

private:
    static BOOL WINAPI queryUserToken(ULONG sessionId, HANDLE* token);
    static BOOL WINAPI enumerate(HANDLE server, DWORD reserved, DWORD version, WTS_SESSION_INFOW** list,
                                 DWORD* count);
    static void WINAPI release(void* memory);

    static SessionsUnderTest* current;
    const std::vector<Session> sessions;
};
