#pragma once

#include "console/CommandReader.h"

namespace tolvane::console {

// The side of a second start: hands one command to the running console and waits
// for its answer, at most `timeoutMs` in all. Never takes the single-instance lock,
// so a script cannot keep a console from starting.
class CommandClient
{
public:
    static constexpr int kTimeoutMs = 5000;

    static CommandReply handOver(const QString& serverName, const CommandRequest& request,
                                 int timeoutMs = kTimeoutMs);

    // The whole command start: parses nothing, hands `request` to the console of this
    // user, prints the answer on one line (standard output when it succeeded,
    // standard error otherwise) and returns the exit status.
    static int run(const CommandRequest& request);
};

} // namespace tolvane::console
