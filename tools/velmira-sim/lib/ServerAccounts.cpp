#include "ServerAccounts.h"

#include "protocol/AccountMessages.h"
#include "protocol/PasswordDigest.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace tolvane::sim {

namespace {

const QString kAccountsKey = QStringLiteral("accounts");
const QString kIdKey = QStringLiteral("id");
const QString kDigestKey = QStringLiteral("passwordMd5");
const QString kNameKey = QStringLiteral("characterName");
const QString kDeniedKey = QStringLiteral("loginDenied");
const QString kAuthorityKey = QStringLiteral("authority");
const QString kLoggedInKey = QStringLiteral("loggedIn");

// A byte field may be written as a number 0..255 or, for the switches, as a boolean.
bool readByte(const QJsonObject& o, const QString& key, quint8* out, QString* error)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull()) {
        *out = 0;
        return true;
    }
    if (v.isBool()) {
        *out = v.toBool() ? 1 : 0;
        return true;
    }
    const double d = v.toDouble(-1);
    if (!v.isDouble() || d < 0 || d > 255 || d != double(int(d))) {
        *error = QStringLiteral("\"%1\" must be a whole number from 0 to 255").arg(key);
        return false;
    }
    *out = quint8(d);
    return true;
}

// Texts must survive the fixed wire fields unchanged: no NUL, within the field.
bool fitsField(const QString& text, int maxChars)
{
    return text.size() <= maxChars && !text.contains(QChar(u'\0'));
}

} // namespace

bool ServerAccounts::open(const QString& path, QString* error)
{
    m_path.clear();
    m_accounts.clear();
    m_saveError.clear();
    reindex();
    if (path.isEmpty())
        return true;

    QFile file(path);
    if (!file.exists()) {
        m_path = path;
        m_accounts = demoAccounts();
        reindex();
        if (!save()) {
            *error = QStringLiteral("cannot write the accounts file %1: %2").arg(path, m_saveError);
            m_path.clear();
            m_accounts.clear();
            reindex();
            return false;
        }
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("cannot read the accounts file %1: %2").arg(path, file.errorString());
        return false;
    }
    QString parseError;
    std::optional<QList<Account>> accounts = parse(file.readAll(), &parseError);
    if (!accounts) {
        *error = QStringLiteral("the accounts file %1 is not usable (%2); "
                                "fix or remove it, it has not been changed")
                     .arg(path, parseError);
        return false;
    }
    m_path = path;
    m_accounts = std::move(*accounts);
    reindex();
    return true;
}

void ServerAccounts::reindex()
{
    m_index.clear();
    m_index.reserve(m_accounts.size());
    for (qsizetype i = 0; i < m_accounts.size(); ++i)
        m_index.insert(m_accounts[i].id, i);
    ++m_idsVersion;
}

QStringList ServerAccounts::ids() const
{
    QStringList out;
    out.reserve(m_accounts.size());
    for (const Account& a : m_accounts)
        out.append(a.id);
    return out;
}

qsizetype ServerAccounts::indexOf(const QString& id) const
{
    return m_index.value(id, -1);
}

std::optional<Account> ServerAccounts::find(const QString& id) const
{
    const qsizetype i = indexOf(id);
    if (i < 0)
        return std::nullopt;
    return m_accounts[i];
}

bool ServerAccounts::add(const Account& account)
{
    if (indexOf(account.id) >= 0)
        return false;
    m_index.insert(account.id, m_accounts.size());
    m_accounts.append(account);
    ++m_idsVersion;
    save();
    return true;
}

bool ServerAccounts::remove(const QString& id)
{
    const qsizetype i = indexOf(id);
    if (i < 0)
        return false;
    m_accounts.removeAt(i);
    reindex();
    save();
    return true;
}

bool ServerAccounts::update(const Account& account)
{
    const qsizetype i = indexOf(account.id);
    if (i < 0)
        return false;
    if (m_accounts[i] != account) {
        m_accounts[i] = account;
        save();
    }
    return true;
}

int ServerAccounts::addGenerated(int count)
{
    // One digest shared by every generated account.
    const QByteArray digest = protocol::passwordDigest(QStringLiteral("player")).left(32);
    m_accounts.reserve(m_accounts.size() + qMax(count, 0));
    m_index.reserve(m_accounts.size() + qMax(count, 0));
    int added = 0;
    for (int i = 0; i < count; ++i) {
        Account a;
        a.id = QStringLiteral("player") + QString::number(i).rightJustified(7, QLatin1Char('0'));
        if (indexOf(a.id) >= 0)
            continue;
        a.digestText = digest;
        m_index.insert(a.id, m_accounts.size());
        m_accounts.append(std::move(a));
        ++added;
    }
    if (added > 0) {
        ++m_idsVersion;
        save();
    }
    return added;
}

bool ServerAccounts::save()
{
    m_saveError.clear();
    if (m_path.isEmpty())
        return true;
    // Replaced whole: a simulator stopped while saving leaves the old file or the new one.
    const QByteArray bytes = toJson(m_accounts);
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    m_saveError = file.errorString();
    return false;
}

QList<Account> ServerAccounts::demoAccounts()
{
    struct Demo
    {
        const char* id;
        const char* password;
        QString name;
        quint8 denied, authority, loggedIn;
    };
    const Demo demos[] = {
        {"hinata01", "hinata01", QStringLiteral("ひなた"), 0, 0, 1},
        {"kurogane", "kurogane", QStringLiteral("クロガネ"), 1, 0, 0},
        {"sora_navi", "sora_navi", QStringLiteral("そら"), 0, 1, 0},
        {"gm_ren", "gm_ren", QStringLiteral("Ren"), 0, 2, 0},
        {"mira2024", "mira2024", QStringLiteral("Mira"), 0, 0, 0},
    };
    QList<Account> out;
    for (const Demo& d : demos) {
        Account a;
        a.id = QString::fromLatin1(d.id);
        // The digest text without its two zero bytes.
        a.digestText = protocol::passwordDigest(QString::fromLatin1(d.password)).left(32);
        a.characterName = d.name;
        a.loginPermission = d.denied;
        a.authority = d.authority;
        a.loginState = d.loggedIn;
        out.append(a);
    }
    return out;
}

std::optional<QList<Account>> ServerAccounts::parse(const QByteArray& json, QString* error)
{
    QJsonParseError jsonError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &jsonError);
    if (jsonError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not valid JSON: %1 at byte %2")
                     .arg(jsonError.errorString())
                     .arg(jsonError.offset);
        return std::nullopt;
    }
    if (!doc.isObject() || !doc.object().value(kAccountsKey).isArray()) {
        *error = QStringLiteral("no \"accounts\" array at the top");
        return std::nullopt;
    }
    const QJsonArray array = doc.object().value(kAccountsKey).toArray();
    QList<Account> out;
    QSet<QString> seen;
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString where = QStringLiteral("account %1: ").arg(i + 1);
        if (!array[i].isObject()) {
            *error = where + QStringLiteral("not an object");
            return std::nullopt;
        }
        const QJsonObject o = array[i].toObject();
        Account a;
        if (!o.value(kIdKey).isString() || o.value(kIdKey).toString().isEmpty()) {
            *error = where + QStringLiteral("\"id\" missing or empty");
            return std::nullopt;
        }
        a.id = o.value(kIdKey).toString();
        if (!fitsField(a.id, protocol::kMaxIdChars)) {
            *error = where +
                     QStringLiteral("\"id\" longer than %1 characters").arg(protocol::kMaxIdChars);
            return std::nullopt;
        }
        if (seen.contains(a.id)) {
            *error = where + QStringLiteral("the ID \"%1\" appears twice").arg(a.id);
            return std::nullopt;
        }
        seen.insert(a.id);
        a.digestText = o.value(kDigestKey).toString().toLatin1();
        if (!o.value(kDigestKey).isString() || !isDigestText(a.digestText)) {
            *error = where + QStringLiteral("\"passwordMd5\" must be 32 lowercase hex digits");
            return std::nullopt;
        }
        const QJsonValue name = o.value(kNameKey);
        if (!name.isUndefined() && !name.isString()) {
            *error = where + QStringLiteral("\"characterName\" must be a text");
            return std::nullopt;
        }
        a.characterName = name.toString();
        if (!fitsField(a.characterName, protocol::kMaxNameChars)) {
            *error = where + QStringLiteral("\"characterName\" longer than %1 characters")
                                 .arg(protocol::kMaxNameChars);
            return std::nullopt;
        }
        QString byteError;
        if (!readByte(o, kDeniedKey, &a.loginPermission, &byteError) ||
            !readByte(o, kAuthorityKey, &a.authority, &byteError) ||
            !readByte(o, kLoggedInKey, &a.loginState, &byteError)) {
            *error = where + byteError;
            return std::nullopt;
        }
        out.append(a);
    }
    return out;
}

QByteArray ServerAccounts::toJson(const QList<Account>& accounts)
{
    QJsonArray array;
    for (const Account& a : accounts) {
        QJsonObject o;
        o.insert(kIdKey, a.id);
        o.insert(kDigestKey, QString::fromLatin1(a.digestText));
        o.insert(kNameKey, a.characterName);
        o.insert(kDeniedKey, int(a.loginPermission));
        o.insert(kAuthorityKey, int(a.authority));
        o.insert(kLoggedInKey, int(a.loginState));
        array.append(o);
    }
    QJsonObject root;
    root.insert(kAccountsKey, array);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace tolvane::sim
