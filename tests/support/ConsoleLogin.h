#pragma once

#include "FakeConnection.h"
#include "ManualTimeSource.h"

#include "console/ConsoleController.h"

#include <QTest>

namespace testsupport {

// The operator logs in and the server accepts; what went out on the way is forgotten,
// so a test sees only the frames its own step sends.
inline void logInAndForgetFrames(FakeConnection& link, tolvane::console::ConsoleController& console)
{
    answerAsServer(link);
    if (!link.isConnected())
        link.accept();
    console.login();
    ManualTimeSource::deliverPostedEvents();
    QCOMPARE(console.linkState(), tolvane::console::LinkState::LoggedIn);
    link.sent.clear();
}

} // namespace testsupport
