#pragma once

#include "platform/Result.h"

#include <QDir>
#include <QObject>
#include <QStringList>

namespace tolvane::console {

// The message lists of the data directory: their names, and reading, saving and
// deleting them. Every change of the names is signalled, whether the console made
// it or someone copied a list into the directory or took one out.
class MessageListService : public QObject
{
    Q_OBJECT
public:
    explicit MessageListService(QDir dir = QDir(), QObject* parent = nullptr);

    // Where the lists live; set once the data directory has been found. Lists the
    // directory without telling of lists found there.
    void setDirectory(const QDir& dir);
    const QDir& directory() const { return m_dir; }

    // The names as last listed, in the order the directory listing yields them.
    const QStringList& names() const { return m_names; }

    platform::Result<QStringList> read(const QString& title) const;
    // Saves the list under its folded title, replacing any list of that name.
    platform::Result<void> save(const QString& title, const QStringList& lines);
    platform::Result<void> remove(const QString& title);
    // Makes the data directory again when it has gone.
    platform::Result<void> ensureDirectory() const;

    // Lists the directory again; lists that came or went without the console's doing
    // are logged. The file watcher calls this after every change of the directory.
    void rescan();

Q_SIGNALS:
    void namesChanged(const QStringList& names);
    // A line for the operator's log.
    void logged(const QString& text);

private:
    // Lists again; `ownAdded` and `ownRemoved` are the names the console itself just
    // wrote or deleted, every other difference came from outside.
    void relist(const QString& ownAdded = {}, const QString& ownRemoved = {});

    QDir m_dir;
    QStringList m_names;
};

} // namespace tolvane::console
