#include "platform/Cp932Codec.h"

#include <QStringList>
#include <QStringView>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <iconv.h>
#endif

// The byte structure (which bytes start a two-byte character, which may follow, how
// bad input is replaced) is decided here once for both platforms; only the mapping of
// one character is asked of the system. Every encoded character is decoded again and
// refused unless it comes back unchanged: glibc maps some characters by "best fit"
// (U+301C to 0x8160, which reads back as U+FF5E), and nothing may be stored as
// another character.
namespace tolvane::platform {

namespace {

bool isLeadByte(quint8 b)
{
    return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
}

bool isTrailByte(quint8 b)
{
    return (b >= 0x40 && b <= 0x7e) || (b >= 0x80 && b <= 0xfc);
}

#ifdef Q_OS_WIN

std::optional<char16_t> decodePair(quint8 lead, quint8 trail)
{
    const char in[2] = {char(lead), char(trail)};
    wchar_t w[2] = {};
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, in, 2, w, 2);
    if (n != 1)
        return std::nullopt;
    // An unassigned pair may come back as the code page's default character; the
    // real KATAKANA MIDDLE DOT is 0x8145 only.
    if (w[0] == 0x30fb && !(lead == 0x81 && trail == 0x45))
        return std::nullopt;
    return char16_t(w[0]);
}

bool encodeChar(QStringView ch, QByteArray& out)
{
    BOOL usedDefault = FALSE;
    char buf[8];
    const int n =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(ch.utf16()),
                            int(ch.size()), buf, int(sizeof buf), nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    out.append(buf, n);
    return true;
}

#else

class Iconv
{
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return m_cd != iconv_t(-1); }
    // Converts one complete character; false when it has no mapping or is invalid.
    bool convert(const char* in, size_t inLen, QByteArray& out)
    {
        if (!valid())
            return false;
        char buf[16];
        char* inPtr = const_cast<char*>(in);
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        const size_t r = iconv(m_cd, &inPtr, &inLen, &outPtr, &outLeft);
        if (r == size_t(-1) || inLen != 0)
            return false;
        out.append(buf, qsizetype(sizeof buf - outLeft));
        return true;
    }

private:
    iconv_t m_cd;
};

// A conversion descriptor is not safe to share between threads.
Iconv& toCp932()
{
    thread_local Iconv cd("CP932", "UTF-16LE");
    return cd;
}

Iconv& fromCp932()
{
    thread_local Iconv cd("UTF-16LE", "CP932");
    return cd;
}

std::optional<char16_t> decodePair(quint8 lead, quint8 trail)
{
    const char in[2] = {char(lead), char(trail)};
    QByteArray utf16;
    if (!fromCp932().convert(in, 2, utf16) || utf16.size() != 2)
        return std::nullopt;
    return char16_t(quint8(utf16[0]) | (quint8(utf16[1]) << 8));
}

bool encodeChar(QStringView ch, QByteArray& out)
{
    char in[4];
    for (qsizetype k = 0; k < ch.size(); ++k) {
        const char16_t c = ch[k].unicode();
        in[2 * k] = char(c & 0xff);
        in[2 * k + 1] = char(c >> 8);
    }
    return toCp932().convert(in, size_t(ch.size()) * 2, out);
}

#endif

} // namespace

QString foldForCp932(QString text)
{
    for (QChar& c : text) {
        switch (c.unicode()) {
        case 0x301c: // WAVE DASH
            c = QChar(0xff5e);
            break;
        case 0x2212: // MINUS SIGN
            c = QChar(0xff0d);
            break;
        case 0x2014: // EM DASH
            c = QChar(0x2015);
            break;
        case 0x2016: // DOUBLE VERTICAL LINE
            c = QChar(0x2225);
            break;
        case 0x00a2: // CENT SIGN
            c = QChar(0xffe0);
            break;
        case 0x00a3: // POUND SIGN
            c = QChar(0xffe1);
            break;
        case 0x00ac: // NOT SIGN
            c = QChar(0xffe2);
            break;
        default:
            break;
        }
    }
    return text;
}

std::optional<QByteArray> encodeCp932(const QString& text, QString* unrepresentable)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    QStringList refused; // the whole text is looked at, so the caller can name them all
    for (qsizetype i = 0; i < text.size();) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80) { // ASCII maps to itself; the common case needs no call
            out.append(char(u));
            ++i;
            continue;
        }
        const qsizetype units =
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ? 2
                : 1;
        const QStringView ch = QStringView(text).mid(i, units);
        QByteArray bytes;
        if (!encodeChar(ch, bytes) || decodeCp932(bytes) != ch) {
            if (!refused.contains(ch))
                refused.append(ch.toString());
        } else {
            out.append(bytes);
        }
        i += units;
    }
    if (!refused.isEmpty()) {
        if (unrepresentable)
            *unrepresentable = refused.join(QString());
        return std::nullopt;
    }
    return out;
}

QString decodeCp932(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const quint8 b = quint8(bytes[i]);
        if (b < 0x80) {
            out.append(QChar(char16_t(b)));
            ++i;
        } else if (b >= 0xa1 && b <= 0xdf) { // half-width katakana, one byte each
            out.append(QChar(char16_t(0xff61 + (b - 0xa1))));
            ++i;
        } else if (isLeadByte(b) && i + 1 < n && isTrailByte(quint8(bytes[i + 1]))) {
            const quint8 trail = quint8(bytes[i + 1]);
            if (const auto c = decodePair(b, trail)) {
                out.append(QChar(*c));
                i += 2;
            } else {
                out.append(QChar::ReplacementCharacter);
                // An ASCII byte after an unassigned lead byte is read as itself.
                i += trail < 0x80 ? 1 : 2;
            }
        } else {
            // A stray byte, or a lead byte cut off or followed by a byte that cannot
            // end a character: that byte alone is replaced, the next one read afresh.
            out.append(QChar::ReplacementCharacter);
            ++i;
        }
    }
    return out;
}

} // namespace tolvane::platform
