#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

// Shared by the fuzz targets: a broken property stops the run like a crash does, so
// libFuzzer saves the input; and a small reader that cuts the input into fields
// from the front, so seed files stay easy to write by hand.
namespace tolvane::fuzz {

inline void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

class InputReader
{
public:
    InputReader(const uint8_t* data, size_t size)
        : m_rest(reinterpret_cast<const char*>(data), qsizetype(size))
    {}

    // 0 once the input is used up.
    quint8 byte()
    {
        if (m_rest.isEmpty())
            return 0;
        const quint8 b = quint8(m_rest.front());
        m_rest = m_rest.sliced(1);
        return b;
    }
    // Up to `n` bytes, fewer at the end of the input.
    QByteArrayView take(qsizetype n)
    {
        const QByteArrayView part = m_rest.first(qMin(n, m_rest.size()));
        m_rest = m_rest.sliced(part.size());
        return part;
    }
    // A field preceded by its length in one byte.
    QByteArrayView counted() { return take(byte()); }
    QByteArrayView rest() const { return m_rest; }

private:
    QByteArrayView m_rest;
};

// Bytes as UTF-16LE code units, unpaired surrogates and zero units included; an odd
// last byte is dropped.
inline QString utf16Units(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(char16_t(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8))));
    return text;
}

} // namespace tolvane::fuzz
