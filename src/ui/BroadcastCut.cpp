#include "ui/BroadcastCut.h"

#include "protocol/BroadcastRequest.h"

namespace tolvane::ui {

namespace {
qsizetype characters(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++n;
    }
    return n;
}
} // namespace

BroadcastCut broadcastCut(const QString& text, int capBytes)
{
    BroadcastCut cut;
    cut.sentUnits = protocol::unitsCarried(text, capBytes);
    cut.sentChars = characters(QStringView(text).left(cut.sentUnits));
    cut.cutChars = characters(QStringView(text).mid(cut.sentUnits));
    return cut;
}

QString cutNotice(const BroadcastCut& cut)
{
    return QStringLiteral("%1文字まで送信されます（%2文字切れます）")
        .arg(cut.sentChars)
        .arg(cut.cutChars);
}

} // namespace tolvane::ui
