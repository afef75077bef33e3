#include "console/MessageListService.h"

#include "broadcast/MessageListStore.h"
#include "platform/Cp932Codec.h"

namespace tolvane::console {

using namespace Qt::StringLiterals;
using platform::Result;

MessageListService::MessageListService(QDir dir, QObject* parent)
    : QObject(parent), m_dir(std::move(dir))
{}

void MessageListService::setDirectory(const QDir& dir)
{
    m_dir = dir;
    m_names = broadcast::listFileNames(m_dir);
    Q_EMIT namesChanged(m_names);
}

Result<QStringList> MessageListService::read(const QString& title) const
{
    return broadcast::ReadListFile(m_dir, title);
}

Result<void> MessageListService::save(const QString& title, const QStringList& lines)
{
    Result<void> saved = broadcast::WriteListFile(m_dir, title, lines);
    if (saved)
        relist(platform::foldForCp932(title));
    return saved;
}

Result<void> MessageListService::remove(const QString& title)
{
    Result<void> removed = broadcast::deleteListFile(m_dir, title);
    if (removed)
        relist({}, title);
    return removed;
}

Result<void> MessageListService::ensureDirectory() const
{
    if (m_dir.exists() || QDir().mkpath(m_dir.absolutePath()))
        return {};
    return platform::FileError{platform::FileError::Kind::WriteFailed,
                               {},
                               {},
                               u"cannot make the directory "_s + m_dir.absolutePath()};
}

void MessageListService::rescan()
{
    relist();
}

void MessageListService::relist(const QString& ownAdded, const QString& ownRemoved)
{
    const QStringList names = broadcast::listFileNames(m_dir);
    if (names == m_names)
        return;
    for (const QString& name : names) {
        if (name != ownAdded && !m_names.contains(name))
            Q_EMIT logged(u"外部変更 リスト追加「"_s + name + u"」"_s);
    }
    for (const QString& name : std::as_const(m_names)) {
        if (name != ownRemoved && !names.contains(name))
            Q_EMIT logged(u"外部変更 リスト削除「"_s + name + u"」"_s);
    }
    m_names = names;
    Q_EMIT namesChanged(m_names);
}

} // namespace tolvane::console
