#pragma once

// The start probes' wWinMain writes to its standard output, in UTF-16, what its start handed it:
// "own module" or "other module", "no previous instance" or "previous instance", the command-line tail
// and the show command, separated by "|", and returns START_PROBE_RESULT.
constexpr int START_PROBE_RESULT = 77;
