#pragma once

#include <QByteArrayView>

// Reads the text files whose first line holds the number of lines that follow (the
// message lists and the schedule file), on the raw bytes, before any decoding: a
// line ends at LF, a CR directly before the LF is dropped with it, and a last line
// without LF still counts. In code page 932 the byte 0x0A is never part of a
// two-byte character, so splitting before decoding is safe.
namespace tolvane::platform {

class CountedLineReader
{
public:
    // The count is the leading decimal number of line 1: spaces and tabs before it
    // skipped, reading stopped at the first other character, no digits give 0. It
    // stops growing at `countCap`, so no digit string can overflow it.
    CountedLineReader(QByteArrayView bytes, int countCap);

    int count() const { return m_count; }
    // The next line after line 1, without its line end; false once the bytes are used up.
    bool nextLine(QByteArrayView& line);
    // The bytes not yet taken as lines, as they stand.
    QByteArrayView rest() const { return m_bytes.sliced(m_pos); }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    int m_count = 0;
};

} // namespace tolvane::platform
