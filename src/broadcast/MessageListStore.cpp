#include "broadcast/MessageListStore.h"

#include "platform/AtomicFile.h"
#include "platform/CountedLineReader.h"
#include "platform/Cp932Codec.h"
#include "platform/HiddenFile.h"
#include "timesignal/TimeSignalFile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace tolvane::broadcast {

using platform::FileError;
using platform::Result;

namespace {

FileError invalidTitle(const QString& title)
{
    return {FileError::Kind::InvalidName, title, {}, u"no list can be named "_s + title};
}

// A bare name inside the directory: nothing that would address another place.
bool isPlainFileName(const QString& title)
{
    if (title.isEmpty() || title == "."_L1 || title == ".."_L1)
        return false;
    if (title.contains(u'/') || title.contains(QChar(u'\0')))
        return false;
#ifdef Q_OS_WIN
    if (title.contains(u'\\') || title.contains(u':'))
        return false;
#endif
    return true;
}

// A hidden file never shows up in the list selector, and the schedule file lives
// beside the lists: neither may be read as, written as or deleted as a list.
bool namesHiddenFile(const QDir& dir, const QString& title)
{
    return platform::isHidden(QFileInfo(dir, title)) ||
           title.compare(timesignal::kTimeSignalFileName, Qt::CaseInsensitive) == 0;
}

// A title the file system accepts as a file name, that names a visible file, and that
// can stand on one line of the schedule and settings files, which also store it.
bool isValidTitle(const QDir& dir, const QString& title)
{
    if (!isPlainFileName(title))
        return false;
    for (const QChar c : title) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
#ifdef Q_OS_WIN
    static const QString kForbidden = u"*?\"<>|"_s;
    for (const QChar c : title) {
        if (kForbidden.contains(c))
            return false;
    }
    if (title.endsWith(u' ') || title.endsWith(u'.') || title.size() > 255)
        return false;
    // Device names are reserved with any extension.
    static const QStringList kDevices = {
        u"CON"_s,  u"PRN"_s,  u"AUX"_s,  u"NUL"_s,  u"COM1"_s, u"COM2"_s, u"COM3"_s, u"COM4"_s,
        u"COM5"_s, u"COM6"_s, u"COM7"_s, u"COM8"_s, u"COM9"_s, u"LPT1"_s, u"LPT2"_s, u"LPT3"_s,
        u"LPT4"_s, u"LPT5"_s, u"LPT6"_s, u"LPT7"_s, u"LPT8"_s, u"LPT9"_s};
    if (kDevices.contains(title.section(u'.', 0, 0).trimmed(), Qt::CaseInsensitive))
        return false;
#else
    if (QFile::encodeName(title).size() > 255)
        return false;
#endif
    return !namesHiddenFile(dir, title);
}

} // namespace

MessageList sampleList()
{
    return {u"試験放送♪"_s,
            {
                u"こちらは"_s,
                u"ヴェルミラ鯖開発部放送課です♪"_s,
                u"ただいまテスト放送を行っています・・"_s,
                u"ミントリアと言えば"_s,
                u"合言葉は？"_s,
                u"ミント！"_s,
                u"みんと！"_s,
                u"MI-んと！？"_s,
                u"テスト放送を終了します♪"_s,
                u"（；´ー｀）"_s,
            }};
}

QStringList parseListFile(QByteArrayView bytes)
{
    platform::CountedLineReader reader(bytes, kMaxListLines);
    QStringList lines;
    QByteArrayView line;
    for (int i = 0; i < reader.count(); ++i) {
        // A file that ends early yields its missing lines as empty ones.
        lines.append(reader.nextLine(line) ? platform::decodeCp932(line) : QString());
    }
    return lines;
}

Result<QStringList> ReadListFile(const QDir& dir, const QString& title)
{
    if (!isPlainFileName(title))
        return invalidTitle(title);
    const Result<QByteArray> file = platform::readWholeFile(dir.filePath(title));
    if (!file)
        return file.error();
    return parseListFile(*file);
}

Result<QByteArray> encodeListFile(const QStringList& lines)
{
    QByteArray out = QByteArray::number(lines.size()) + "\r\n";
    for (const QString& line : lines) {
        // A line break inside a line would shift every line after it.
        std::optional<QByteArray> bytes;
        QString refused;
        if (!line.contains(u'\n'))
            bytes = platform::encodeCp932(platform::foldForCp932(line), &refused);
        if (!bytes)
            return FileError{FileError::Kind::Unrepresentable, line, refused,
                             u"a line code page 932 cannot hold"_s};
        out += *bytes;
        out += "\r\n";
    }
    return out;
}

Result<void> WriteListFile(const QDir& dir, const QString& typedTitle, const QStringList& lines)
{
    // The title becomes the file name and is stored in the schedule and the settings,
    // so the look-alikes are folded before it is used anywhere.
    const QString title = platform::foldForCp932(typedTitle);
    if (!isValidTitle(dir, title))
        return invalidTitle(typedTitle);
    // The title is also stored in code page 932 (schedule entries, shortcut bindings).
    QString refused;
    if (!platform::encodeCp932(title, &refused))
        return FileError{FileError::Kind::Unrepresentable, typedTitle, refused,
                         u"a title code page 932 cannot hold"_s};
    const Result<QByteArray> bytes = encodeListFile(lines);
    if (!bytes)
        return bytes.error();
    return platform::writeFileAtomically(dir.filePath(title), *bytes);
}

QStringList listFileNames(const QDir& dir)
{
    QStringList names;
    // Hidden entries are asked for so that the platform's own rule decides, and the
    // directory's name filters, if any, play no part.
    QDirIterator it(dir.absolutePath(), QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        // The schedule file is left out by name too: unpacking a zip or copying from a
        // USB stick drops its hidden attribute, and it can never be opened as a list.
        if (!info.isFile() || namesHiddenFile(dir, info.fileName()))
            continue;
        names.append(info.fileName());
    }
    return names;
}

int FindListByName(const QStringList& entries, const QString& name)
{
    // An empty name (an unset binding) names no list, although every text begins with it.
    if (name.isEmpty())
        return -1;
    // A name typed with a look-alike (U+301C for "～") finds the file written with
    // the code page 932 form, as the writer folds it.
    const QString folded = platform::foldForCp932(name);
    const auto matches = [&](qsizetype i) {
        return platform::foldForCp932(entries.at(i)).startsWith(folded, Qt::CaseInsensitive);
    };
    for (qsizetype i = 1; i < entries.size(); ++i) {
        if (matches(i))
            return int(i);
    }
    if (!entries.isEmpty() && matches(0))
        return 0;
    return -1;
}

Result<void> deleteListFile(const QDir& dir, const QString& title)
{
    if (!isPlainFileName(title) || namesHiddenFile(dir, title))
        return invalidTitle(title);
    QFile file(dir.filePath(title));
    if (!QFileInfo(file).isFile())
        return FileError{FileError::Kind::Missing, {}, {}, u"no list "_s + title};
    if (!file.remove())
        return FileError{FileError::Kind::WriteFailed, {}, {}, file.errorString()};
    return {};
}

} // namespace tolvane::broadcast
