#pragma once

#include "ScriptedPrompts.h"

#include "console/AccountService.h"
#include "protocol/AccountMessages.h"

#include <QStringList>

namespace testsupport {

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

    // The requests sent since the last call, one line each as the server reads them:
    // "list", "create ID", "delete ID", "info ID" or "change ID KIND" (the change
    // kind's number, and the new name after a change of name); "?" for a frame that
    // is no account request.
    QStringList takeRequests()
    {
        QStringList out;
        for (const QByteArray& frame : std::exchange(sent, {})) {
            const quint16 command = quint16(quint8(frame.at(4)) | quint8(frame.at(5)) << 8);
            const auto r = tolvane::protocol::parseAccountRequest(command, frame.mid(6));
            if (!r) {
                out.append(QStringLiteral("?"));
                continue;
            }
            using namespace tolvane::protocol;
            switch (command) {
            case CmdAccountList:
                out.append(QStringLiteral("list"));
                break;
            case CmdAccountCreate:
                out.append(QStringLiteral("create ") + r->id);
                break;
            case CmdAccountDelete:
                out.append(QStringLiteral("delete ") + r->id);
                break;
            case CmdAccountInfo:
                out.append(QStringLiteral("info ") + r->id);
                break;
            default: {
                const auto kind = changeKindOf(r->field, r->value);
                QString line = QStringLiteral("change %1 %2").arg(r->id).arg(kind ? int(*kind) : 0);
                if (kind == ChangeKind::CharacterName)
                    line += u' ' + r->name;
                out.append(line);
            }
            }
        }
        return out;
    }
};

} // namespace testsupport
