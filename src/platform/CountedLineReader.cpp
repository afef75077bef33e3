#include "platform/CountedLineReader.h"

namespace tolvane::platform {

CountedLineReader::CountedLineReader(QByteArrayView bytes, int countCap) : m_bytes(bytes)
{
    QByteArrayView first;
    if (!nextLine(first))
        return;
    qsizetype i = 0;
    while (i < first.size() && (first[i] == ' ' || first[i] == '\t'))
        ++i;
    qint64 value = 0; // never above countCap before a step, so a step cannot overflow
    for (; i < first.size() && first[i] >= '0' && first[i] <= '9'; ++i) {
        value = value * 10 + (first[i] - '0');
        if (value >= countCap) {
            value = countCap;
            break;
        }
    }
    m_count = countCap > 0 ? int(value) : 0;
}

bool CountedLineReader::nextLine(QByteArrayView& line)
{
    if (m_pos >= m_bytes.size())
        return false;
    const QByteArrayView rest = m_bytes.sliced(m_pos);
    const qsizetype lf = rest.indexOf('\n');
    if (lf < 0) {
        line = rest;
        m_pos = m_bytes.size();
        return true;
    }
    line = rest.first(lf);
    if (line.endsWith('\r'))
        line.chop(1);
    m_pos += lf + 1;
    return true;
}

} // namespace tolvane::platform
