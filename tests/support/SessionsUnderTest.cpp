#include "SessionsUnderTest.h"

#include <cstdlib>
#include <utility>

SessionsUnderTest* SessionsUnderTest::current = nullptr;

SessionsUnderTest::SessionsUnderTest(std::vector<Session> sessions, bool runsAsSystem)
    : sessions(std::move(sessions)) {
    current = this;
    queries = {&SessionsUnderTest::queryUserToken, &SessionsUnderTest::enumerate, &SessionsUnderTest::release,
               runsAsSystem};
}

SessionsUnderTest::~SessionsUnderTest() {
    current = nullptr;
}

// Windows refuses the query to an account that is not the system account, as to a session without a
// user.
BOOL WINAPI SessionsUnderTest::queryUserToken(ULONG sessionId, HANDLE* token) {
    current->asked.push_back(sessionId);
    for (const Session& session : current->sessions) {
        if (session.id == sessionId && session.signedIn && current->queries.runsAsSystem) {
            return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE,
                                    token);
        }
    }
    SetLastError(current->queries.runsAsSystem ? ERROR_NO_TOKEN : ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

BOOL WINAPI SessionsUnderTest::enumerate(HANDLE, DWORD, DWORD, WTS_SESSION_INFOW** list, DWORD* count) {
    auto* const entries =
        static_cast<WTS_SESSION_INFOW*>(std::calloc(current->sessions.size() + 1, sizeof(WTS_SESSION_INFOW)));
    for (size_t index = 0; index < current->sessions.size(); ++index) {
        entries[index].SessionId = current->sessions[index].id;
        entries[index].State = current->sessions[index].state;
        entries[index].pWinStationName = const_cast<wchar_t*>(L"Session");
    }
    *list = entries;
    *count = static_cast<DWORD>(current->sessions.size());
    ++current->listed;
    return TRUE;
}

void WINAPI SessionsUnderTest::release(void* memory) {
    std::free(memory);
    ++current->released;
}
