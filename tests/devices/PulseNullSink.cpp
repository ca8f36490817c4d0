#include "PulseNullSink.h"

#include "foundation/UniqueResource.h"
#include "support/UnixProgram.h"

#include <objbase.h>
#include <windows.h>

#include <cstdio>

namespace {

constexpr char PACTL[] = "/usr/bin/pactl ";
constexpr DWORD ANSWER_TIMEOUT_MS = 10000;

// Letters, digits and underscores only, as PulseAudio names and unquoted module arguments allow.
std::string uniqueName() {
    GUID guid = {};
    CoCreateGuid(&guid);
    char name[64];
    std::snprintf(name, sizeof name, "pellmont_unplugged_%08lx%04x%04x%02x%02x%02x%02x%02x%02x%02x%02x",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
                  guid.Data4[7]);
    return name;
}

// What pactl wrote once it has ended a line, at most ANSWER_TIMEOUT_MS; empty when it wrote none.
std::string awaitAnswer(const KString& path) {
    std::string answer;
    for (DWORD waited = 0; waited < ANSWER_TIMEOUT_MS; waited += 20) {
        if (readFileBytes(path, answer) && !answer.empty() && answer.back() == '\n') {
            return answer;
        }
        Sleep(20);
    }
    return std::string();
}

bool isModuleIndex(const std::string& answer) {
    return answer.size() > 1 && answer.find_first_not_of("0123456789") == answer.size() - 1;
}

} // namespace

PulseNullSink::PulseNullSink(const TemporaryFolder& folder)
    : sinkName(uniqueName()), wideName(sinkName.begin(), sinkName.end()) {
    const KString answerPath = folder.join(L"\\pactl-answer.txt");
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    UniqueFileHandle answerFile(CreateFileW(answerPath.text(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!answerFile) {
        problem = "no file for pactl's answer: error " + std::to_string(GetLastError());
        return;
    }
    if (!startUnixProgram(PACTL + ("load-module module-null-sink sink_name=" + sinkName +
                                   " sink_properties=device.description=" + sinkName),
                          answerFile.get())) {
        problem = "pactl did not start: error " + std::to_string(GetLastError());
        return;
    }
    answerFile.reset();
    const std::string answer = awaitAnswer(answerPath);
    if (isModuleIndex(answer)) {
        moduleIndex = answer.substr(0, answer.size() - 1);
    } else {
        problem = "pactl load-module answered \"" + answer + "\"";
    }
}

PulseNullSink::~PulseNullSink() {
    unload();
}

bool PulseNullSink::unload() {
    if (moduleIndex.empty()) {
        return false;
    }
    const bool started = startUnixProgram(PACTL + ("unload-module " + moduleIndex));
    moduleIndex.clear();
    return started;
}
