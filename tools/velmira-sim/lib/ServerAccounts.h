#pragma once

#include "Account.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <optional>

namespace tolvane::sim {

// The server's accounts, in the order the list reply gives them. With a file,
// every change is written back at once and atomically; without one they live in
// memory only.
class ServerAccounts
{
public:
    // Memory only, empty.
    ServerAccounts() = default;

    // Reads `path`; when it does not exist, fills in the demo accounts and writes
    // them. Returns false with a message (and leaves the file untouched) when the
    // file cannot be read, is not a valid accounts file, or cannot be written.
    bool open(const QString& path, QString* error);
    QString path() const { return m_path; }

    const QList<Account>& accounts() const { return m_accounts; }
    QStringList ids() const;
    qsizetype size() const { return m_accounts.size(); }
    std::optional<Account> find(const QString& id) const;

    // Each returns false when nothing changed (duplicate or unknown ID). A change
    // that was made is saved when a file is set; see lastSaveError().
    bool add(const Account& account);
    bool remove(const QString& id);
    bool update(const Account& account);
    // Adds `count` accounts "player0000000", "player0000001", ... (each skipped
    // when its ID is taken), all with the password "player" and no character
    // name, and saves once: a server of a million accounts is made in a moment.
    // Returns the number added.
    int addGenerated(int count);

    // Changes whenever an ID is added or removed, so a list reply built earlier
    // can be told to be still right.
    quint64 idsVersion() const { return m_idsVersion; }

    // Empty when the last save succeeded (or there is no file).
    QString lastSaveError() const { return m_saveError; }

    static QList<Account> demoAccounts();
    // The file format: {"accounts":[{"id", "passwordMd5", "characterName",
    // "loginDenied", "authority", "loggedIn"}]}.
    static std::optional<QList<Account>> parse(const QByteArray& json, QString* error);
    static QByteArray toJson(const QList<Account>& accounts);

private:
    bool save();
    qsizetype indexOf(const QString& id) const;
    void reindex();

    QString m_path;
    QList<Account> m_accounts;
    QHash<QString, qsizetype> m_index; // ID -> position in m_accounts
    quint64 m_idsVersion = 0;
    QString m_saveError;
};

} // namespace tolvane::sim
