#include "RequestRecord.h"

#include "protocol/Wire.h"

namespace tolvane::sim {

QString commandName(quint16 command)
{
    using namespace tolvane::protocol;
    switch (command) {
    case CmdLogin:
        return QStringLiteral("login");
    case CmdAccountList:
        return QStringLiteral("account list");
    case CmdAccountCreate:
        return QStringLiteral("create account");
    case CmdAccountDelete:
        return QStringLiteral("delete account");
    case CmdAccountInfo:
        return QStringLiteral("account info");
    case CmdAccountChange:
        return QStringLiteral("change account");
    case CmdPlayerCount:
        return QStringLiteral("player count");
    case CmdBroadcast:
        return QStringLiteral("broadcast");
    default:
        return QStringLiteral("unknown");
    }
}

QString formatLogLine(const QDateTime& time, quint16 command, const QString& name,
                      const QString& text)
{
    QString line = time.toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("  ") + name +
                   QStringLiteral(" (") + QString::number(command) + QLatin1Char(')');
    if (!text.isEmpty())
        line += QStringLiteral("  ") + text;
    return line;
}

QString printableText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\r')
            out += QStringLiteral("\\r");
        else if (u == u'\n')
            out += QStringLiteral("\\n");
        else if (u == u'\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20 || u == 0x7f)
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace tolvane::sim
