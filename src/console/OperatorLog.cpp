#include "console/OperatorLog.h"

#include <QDateTime>

namespace tolvane::console {

OperatorLog::OperatorLog(QString folder) : m_folder(std::move(folder)) {}

QString OperatorLog::filePath(const QDate& day) const
{
    return QDir(m_folder).filePath(day.toString(QStringLiteral("yyyy-MM-dd")) +
                                   QStringLiteral(".log"));
}

QString OperatorLog::escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
                 c == QChar::ParagraphSeparator)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString OperatorLog::formatLine(const QDateTime& localTime, const QString& text)
{
    return localTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + escaped(text);
}

bool OperatorLog::openFor(const QDate& day)
{
    if (m_file.isOpen() && m_day == day)
        return true;
    m_file.close();
    m_day = day;
    if (!QDir().mkpath(m_folder))
        return false;
    m_file.setFileName(filePath(day));
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool OperatorLog::write(const QDateTime& localTime, const QString& text)
{
    if (!openFor(localTime.date()))
        return false;
    const QByteArray line = formatLine(localTime, text).toUtf8() + '\n';
#ifdef Q_OS_WIN
    // Windows appends only where the file ended when it was opened: a line another
    // start of the program wrote since (a refused second console) would be overwritten.
    m_file.seek(m_file.size());
#endif
    // One write and a flush per line: what has been written survives a crash.
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        m_file.close(); // the next line opens the file afresh
        return false;
    }
    return true;
}

} // namespace tolvane::console
