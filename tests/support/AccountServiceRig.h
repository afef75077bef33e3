#pragma once

#include "FakeConnection.h"
#include "ManualTimeSource.h"
#include "ScriptedPrompts.h"

#include "console/AccountService.h"
#include "console/LinkSupervisor.h"
#include "protocol/AccountMessages.h"

#include <QStringList>

#include <memory>

namespace testsupport {

// An account request frame as the server reads it, on one line: "list", "create ID",
// "delete ID", "info ID" or "change ID KIND" (the change kind's number, and the new
// name after a change of name); "?" for a frame that is no account request.
inline QString accountRequestLine(const QByteArray& frame)
{
    const quint16 command = quint16(quint8(frame.at(4)) | quint8(frame.at(5)) << 8);
    const auto r = tolvane::protocol::parseAccountRequest(command, frame.mid(6));
    if (!r)
        return QStringLiteral("?");
    using namespace tolvane::protocol;
    switch (command) {
    case CmdAccountList:
        return QStringLiteral("list");
    case CmdAccountCreate:
        return QStringLiteral("create ") + r->id;
    case CmdAccountDelete:
        return QStringLiteral("delete ") + r->id;
    case CmdAccountInfo:
        return QStringLiteral("info ") + r->id;
    default:
        break;
    }
    const auto kind = changeKindOf(r->field, r->value);
    QString line = QStringLiteral("change %1 %2").arg(r->id).arg(kind ? int(*kind) : 0);
    if (kind == ChangeKind::CharacterName)
        line += u' ' + r->name;
    return line;
}

// An account service over a link the test plays the server's side of: the test
// reads back every frame sent, every line for the operator's log and every notice,
// hands replies in and cuts the link at will.
struct AccountServiceRig
{
    ManualTimeSource time;
    FakeConnection* connection = nullptr; // owned by the link
    tolvane::console::LinkSupervisor link{time, madeConnection(), false};
    QList<QByteArray>& sent = connection->sent; // frames that went out, in order
    QStringList log;
    ScriptedPrompts prompts;
    tolvane::console::AccountService service{link, prompts};

    AccountServiceRig()
    {
        QObject::connect(&service, &tolvane::console::AccountService::logged,
                         [this](const QString& line) { log.append(line); });
        link.start(QStringLiteral("127.0.0.1"), 10010);
        ManualTimeSource::deliverPostedEvents();
        connection->accept();
    }

    // A reply from the server, handled as the console handles one.
    void reply(quint16 command, const QByteArray& payload)
    {
        connection->reply(tolvane::protocol::encodeFrame(command, payload));
        ManualTimeSource::deliverPostedEvents();
    }
    void cutLink()
    {
        connection->drop();
        ManualTimeSource::deliverPostedEvents();
    }

    // The requests sent since the last call, one line each (accountRequestLine).
    QStringList takeRequests()
    {
        QStringList out;
        for (const QByteArray& frame : std::exchange(sent, {}))
            out.append(accountRequestLine(frame));
        return out;
    }

private:
    std::unique_ptr<FakeConnection> madeConnection()
    {
        auto made = std::make_unique<FakeConnection>();
        connection = made.get();
        return made;
    }
};

} // namespace testsupport
