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

    // The whole command start: parses nothing, hands `request` to the console on
    // `serverName`, prints the answer on one line (standard output when it succeeded,
    // standard error otherwise) and returns the exit status.
    static int run(const CommandRequest& request, const QString& serverName);

    // --all: hands `request` to every console this user runs, the default one first and
    // the profiles in name order, and prints one line each, "NAME: answer" (--status:
    // its line of JSON, which names the profile). 0 when every one carried it out;
    // otherwise the status of the first that refused, after a line on standard error
    // naming every one that refused and why. 2 when no console runs at all.
    static int runAll(CommandRequest request);

    // --list-profiles: one line per profile, the default one first: its name, a tab,
    // and "running" or "stopped".
    static int listProfiles();

    // Whether a console answers on `serverName` (a connection is made, nothing is sent).
    static bool isRunning(const QString& serverName);
};

} // namespace tolvane::console
