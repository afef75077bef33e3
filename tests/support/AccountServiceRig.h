#pragma once

#include "ScriptedPrompts.h"

#include "console/AccountService.h"
#include "protocol/AccountMessages.h"

#include <QStringList>

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

// An account service over a stand-in link: the test reads back every frame sent,
// every line for the operator's log and every notice, and cuts the link at will.
struct AccountServiceRig
{
    bool linkUp = true;
    QList<QByteArray> sent; // frames that went out, in order
    QStringList log;
    ScriptedPrompts prompts;
    tolvane::console::AccountService service{
        [this](const QByteArray& frame) {
            if (linkUp)
                sent.append(frame);
            return linkUp;
        },
        [this] { return linkUp; }, [this](const QString& line) { log.append(line); }, prompts};

    // The requests sent since the last call, one line each (accountRequestLine).
    QStringList takeRequests()
    {
        QStringList out;
        for (const QByteArray& frame : std::exchange(sent, {}))
            out.append(accountRequestLine(frame));
        return out;
    }
};

} // namespace testsupport
