#include "settings/IniSettings.h"

#include "platform/AtomicFile.h"
#include "platform/Cp932Codec.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <optional>
#include <utility>

namespace tolvane::settings {

using platform::FileError;
using platform::Result;
using namespace Qt::StringLiterals;

namespace {

// The value buffer of the Windows profile functions holds 4095 characters and a terminator.
constexpr qsizetype kMaxValueLength = 4095;

enum class Encoding { Utf8, Cp932, Utf16Le };

struct Line
{
    QString text;   // decoded, without the line end
    QString eol;    // "\r\n", "\n", or empty for a last line without one
    QByteArray raw; // the line's bytes as read, written back unchanged unless `changed`
    bool changed = false;
};

struct Document
{
    Encoding encoding = Encoding::Utf8;
    QByteArray bom;
    QList<Line> lines;
    QString newline = QStringLiteral("\r\n"); // Windows editors expect CR LF
};

bool isBlank(QChar c)
{
    // Only ASCII blanks: an ideographic space belongs to a Japanese text.
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

QString unquote(const QString& value)
{
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// Reading trims blanks and strips one pair of quotes, so a value that would lose either
// is written inside quotes and reads back as it was written.
QString quoteIfNeeded(const QString& value)
{
    if (value.isEmpty())
        return value;
    const bool blankEdge = isBlank(value.front()) || isBlank(value.back());
    const bool looksQuoted =
        value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    if (blankEdge || looksQuoted)
        return u'"' + value + u'"';
    return value;
}

QString truncatedValue(const QString& value)
{
    if (value.size() <= kMaxValueLength)
        return value;
    qsizetype length = kMaxValueLength;
    if (value.at(length - 1).isHighSurrogate())
        --length; // never split a surrogate pair
    return value.left(length);
}

struct Entry
{
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    QString name;
    QString value;
};

Entry parseLine(const QString& text)
{
    const QString line = trimBlanks(text);
    if (line.startsWith(u'[')) {
        const qsizetype close = line.indexOf(u']');
        if (close < 0)
            return {};
        return {Entry::Kind::Section, trimBlanks(line.mid(1, close - 1)), {}};
    }
    if (line.startsWith(u';'))
        return {};
    const qsizetype equals = line.indexOf(u'=');
    if (equals <= 0) // the line is trimmed, so a key before '=' is never blank
        return {};
    return {Entry::Kind::Key, trimBlanks(line.left(equals)), trimBlanks(line.mid(equals + 1))};
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool hasLineBreakOrNul(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(u'\0'));
}

// Names that would be read back as something else, or break the file's lines, are refused.
bool isWritableSection(const QString& name)
{
    return !name.isEmpty() && !hasLineBreakOrNul(name) && !name.contains(u']') &&
           name.isValidUtf16();
}

bool isWritableKey(const QString& name)
{
    return !name.isEmpty() && !hasLineBreakOrNul(name) && !name.contains(u'=') &&
           !name.startsWith(u';') && !name.startsWith(u'[') && name.isValidUtf16();
}

bool isWritableValue(const QString& value)
{
    return !hasLineBreakOrNul(value) && value.isValidUtf16();
}

// Lines are decoded one by one: a U+FEFF that starts a line is part of its text (the
// file's mark was taken off before), so the decoders must not drop it as a mark.
QString decode(Encoding encoding, QByteArrayView bytes)
{
    constexpr auto kFlags =
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    switch (encoding) {
    case Encoding::Utf8: {
        QStringDecoder decoder(QStringConverter::Utf8, kFlags);
        return decoder(bytes);
    }
    case Encoding::Cp932:
        return platform::decodeCp932(bytes);
    case Encoding::Utf16Le: {
        QStringDecoder decoder(QStringConverter::Utf16LE, kFlags);
        return decoder(bytes);
    }
    }
    return {};
}

std::optional<QByteArray> encode(Encoding encoding, const QString& text)
{
    switch (encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Cp932:
        return platform::encodeCp932(platform::foldForCp932(text));
    case Encoding::Utf16Le: {
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        return QByteArray(encoder(text));
    }
    }
    return std::nullopt;
}

// Splits at LF (a CR before it belongs to the line end); a UTF-16 file is split by
// 16-bit units. Line contents keep their bytes so untouched lines are written back as read.
void splitLines(Document& doc, const QByteArray& body)
{
    const qsizetype width = doc.encoding == Encoding::Utf16Le ? 2 : 1;
    const auto unitAt = [&](qsizetype i) -> char16_t {
        if (width == 1)
            return char16_t(quint8(body[i]));
        return char16_t(quint8(body[i]) | (quint8(body[i + 1]) << 8));
    };
    const auto addLine = [&](QByteArray raw, QString eol) {
        Line line;
        line.text = decode(doc.encoding, raw);
        line.raw = std::move(raw);
        line.eol = std::move(eol);
        doc.lines.append(std::move(line));
    };

    qsizetype start = 0;
    for (qsizetype i = 0; i + width <= body.size(); i += width) {
        if (unitAt(i) != u'\n')
            continue;
        qsizetype end = i;
        QString eol = QStringLiteral("\n");
        if (end - start >= width && unitAt(end - width) == u'\r') {
            end -= width;
            eol = QStringLiteral("\r\n");
        }
        addLine(body.mid(start, end - start), std::move(eol));
        start = i + width;
    }
    if (start < body.size())
        addLine(body.mid(start), {});

    for (const Line& line : std::as_const(doc.lines)) {
        if (!line.eol.isEmpty()) {
            doc.newline = line.eol;
            break;
        }
    }
}

// No path reads as no file.
Result<QByteArray> readFile(const QString& path)
{
    if (path.isEmpty())
        return FileError{FileError::Kind::Missing, {}, {}, u"no settings file"_s};
    return platform::readWholeFile(path);
}

Document parse(QByteArrayView bytes)
{
    Document doc;
    QByteArray body = bytes.toByteArray();
    if (body.startsWith("\xEF\xBB\xBF")) {
        doc.encoding = Encoding::Utf8;
        doc.bom = body.left(3);
    } else if (body.startsWith("\xFF\xFE")) {
        // Windows writes its profile files as UTF-16 when they start with this mark.
        doc.encoding = Encoding::Utf16Le;
        doc.bom = body.left(2);
    } else {
        doc.encoding = body.isValidUtf8() ? Encoding::Utf8 : Encoding::Cp932;
    }
    body.remove(0, doc.bom.size());
    // Half a UTF-16 unit at the end holds no character; kept, it would shift every
    // line written after it by one byte and turn them into other characters.
    if (doc.encoding == Encoding::Utf16Le && body.size() % 2 != 0)
        body.chop(1);
    splitLines(doc, body);
    return doc;
}

struct Location
{
    qsizetype sectionLine = -1; // header of the first section with the name
    qsizetype insertAt = -1;    // after the last key of that section
    qsizetype keyLine = -1;
    QString value;
};

// The first key with the name in any section with the name, as the profile functions find it.
Location locate(const Document& doc, const QString& section, const QString& key)
{
    Location location;
    bool inSection = false;
    bool inFirstSection = false;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const Entry entry = parseLine(doc.lines.at(i).text);
        if (entry.kind == Entry::Kind::Section) {
            inSection = sameName(entry.name, section);
            inFirstSection = inSection && location.sectionLine < 0;
            if (inFirstSection) {
                location.sectionLine = i;
                location.insertAt = i + 1;
            }
            continue;
        }
        if (!inSection || entry.kind != Entry::Kind::Key)
            continue;
        if (inFirstSection)
            location.insertAt = i + 1;
        if (sameName(entry.name, key)) {
            location.keyLine = i;
            location.value = entry.value;
            return location;
        }
    }
    return location;
}

void insertLine(Document& doc, qsizetype position, const QString& text)
{
    // A last line without a line end gets one before anything follows it.
    if (position == doc.lines.size() && !doc.lines.isEmpty() && doc.lines.last().eol.isEmpty())
        doc.lines.last().eol = doc.newline;
    Line line;
    line.text = text;
    line.eol = doc.newline;
    line.changed = true;
    doc.lines.insert(position, line);
}

std::optional<QByteArray> serialize(const Document& doc)
{
    QByteArray out = doc.bom;
    for (const Line& line : doc.lines) {
        if (line.changed) {
            const std::optional<QByteArray> bytes = encode(doc.encoding, line.text);
            if (!bytes)
                return std::nullopt;
            out += *bytes;
        } else {
            out += line.raw;
        }
        out += *encode(doc.encoding, line.eol);
    }
    return out;
}

// Whether the reader would take bytes without a mark for UTF-8 and read other characters
// from them than code page 932 gives: only ASCII reads the same both ways.
bool readsAsUtf8(const QByteArray& bytes)
{
    const bool ascii =
        std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return quint8(c) < 0x80; });
    return !ascii && bytes.isValidUtf8();
}

// The file holds the administrator password in clear, so only its owner may read it;
// a file made wider by hand is narrowed at the next write.
Result<void> saveAtomically(const QString& path, const QByteArray& bytes)
{
    return platform::writeFileAtomically(path, bytes, platform::FileAccess::OwnerOnly);
}

} // namespace

IniSettings::IniSettings(QString path) : m_path(std::move(path)) {}

QString IniSettings::read(const QString& section, const QString& key,
                          const QString& defaultValue) const
{
    const Result<QByteArray> file = readFile(m_path);
    if (!file)
        return defaultValue;
    return readFromBytes(*file, section, key, defaultValue);
}

Result<void> IniSettings::write(const QString& section, const QString& key,
                                const QString& value) const
{
    if (m_path.isEmpty())
        return FileError{FileError::Kind::InvalidName, {}, {}, u"no settings file"_s};
    const Result<QByteArray> file = readFile(m_path);
    // A file that exists but cannot be read is never replaced by one holding only this key.
    if (!file && file.error().kind != FileError::Kind::Missing)
        return file.error();
    const QByteArray original = file.valueOr({});
    const Result<QByteArray> bytes = writeToBytes(original, section, key, value);
    if (!bytes)
        return bytes.error();
    if (*bytes == original) {
        // Nothing else to change; a mode that cannot be narrowed stays as it is.
        (void)platform::restrictToOwner(m_path);
        return {};
    }
    return saveAtomically(m_path, *bytes);
}

QString IniSettings::readFromBytes(QByteArrayView file, const QString& section, const QString& key,
                                   const QString& defaultValue)
{
    const Document doc = parse(file);
    const Location location = locate(doc, trimBlanks(section), trimBlanks(key));
    if (location.keyLine < 0)
        return defaultValue;
    return truncatedValue(unquote(location.value));
}

Result<QByteArray> IniSettings::writeToBytes(QByteArrayView file, const QString& section,
                                             const QString& key, const QString& value)
{
    const QString sectionName = trimBlanks(section);
    const QString keyName = trimBlanks(key);
    if (!isWritableSection(sectionName))
        return FileError{FileError::Kind::InvalidName, section, {}, u"no section name"_s};
    if (!isWritableKey(keyName))
        return FileError{FileError::Kind::InvalidName, key, {}, u"no key name"_s};
    if (!isWritableValue(value))
        return FileError{FileError::Kind::Unrepresentable,
                         value,
                         {},
                         u"a value the file cannot hold on one line"_s};

    Document doc = parse(file);
    const QString keyLine = keyName + u'=' + quoteIfNeeded(value);
    const Location location = locate(doc, sectionName, keyName);
    if (location.keyLine >= 0) {
        Line& line = doc.lines[location.keyLine];
        line.text = keyLine;
        line.changed = true;
    } else if (location.sectionLine >= 0) {
        insertLine(doc, location.insertAt, keyLine);
    } else {
        insertLine(doc, doc.lines.size(), u'[' + sectionName + u']');
        insertLine(doc, doc.lines.size(), keyLine);
    }

    std::optional<QByteArray> bytes = serialize(doc);
    if (doc.encoding == Encoding::Cp932 && (!bytes || readsAsUtf8(*bytes))) {
        // The text has no code page 932 form, or the file would no longer be taken for
        // code page 932 (the replaced line held its only bytes that are not UTF-8) and
        // every other value would read as other characters: the whole file becomes
        // UTF-8, which the reader recognises, rather than losing characters.
        doc.encoding = Encoding::Utf8;
        doc.bom.clear();
        for (Line& line : doc.lines)
            line.changed = true;
        bytes = serialize(doc);
    }
    if (!bytes)
        return FileError{FileError::Kind::Unrepresentable, value, {}, u"a value not encodable"_s};
    return *bytes;
}

} // namespace tolvane::settings
