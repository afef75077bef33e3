#pragma once

#include "protocol/Wire.h"

#include <optional>
#include <utility>

// Account administration messages, both directions. The simulator reads the
// requests and builds the replies with the same definitions.
namespace tolvane::protocol {

constexpr int kIdFieldSize = 50;   // UTF-16LE, zero-terminated, 24 characters
constexpr int kNameFieldSize = 26; // UTF-16LE, zero-terminated, 12 characters
constexpr int kMaxIdChars = 24;
constexpr int kMaxPasswordChars = 33;
constexpr int kMaxNameChars = 12;
constexpr int kListHeadSize = 8;
constexpr int kDetailRecordSize = 244;
constexpr int kDetailReadSize = 121;

enum FieldBit : quint32 {
    FieldPassword = 0x01,
    FieldCharacterName = 0x02,
    FieldLoginPermission = 0x04,
    FieldAuthority = 0x08,
    FieldLoginState = 0x10,
    FieldAll = 0x1f,
};

// What a change-account request does.
enum class ChangeKind : int {
    Password = 1,      // the pending new password's digest
    CharacterName = 2, // the pending new character name
    SendHome = 3,      // login state 0
    Suspend = 4,       // login permission 1 (denied)
    Lift = 5,          // login permission 0 (allowed)
    AuthorityNone = 6, // authority 0
    AuthorityNavi = 7, // authority 1
    AuthorityGm = 8,   // authority 2
};

// An account's authority byte.
enum class Authority : quint8 {
    None = 0,
    Navi = 1,
    Gm = 2,
};
// The authority of a byte value (or drop-down item); nullopt outside 0..2.
std::optional<Authority> authorityFromValue(int value);
ChangeKind authorityChangeKind(Authority authority);

// The field a change kind selects and, for the one-byte fields, the value it sends.
struct ChangeTarget
{
    quint32 field;
    quint8 value;
};
ChangeTarget changeTarget(ChangeKind kind);
// The kind behind a change as the server sees it: the field selected and, for a
// one-byte field, the value sent; nullopt for what no kind sends.
std::optional<ChangeKind> changeKindOf(quint32 field, quint8 value);

// Payload lengths of the requests.
constexpr int kCreatePayload = 84;
constexpr int kDeletePayload = 50;
constexpr int kInfoPayload = 54;
constexpr int kChangePasswordPayload = 88;
constexpr int kChangeNamePayload = 80;
constexpr int kChangeBytePayload = 55;

// An account ID field as it stands in a list reply record: 50 raw bytes.
using IdField = QByteArray;
IdField idFieldFromText(const QString& id);

// An account as a request names it: the ID field of its list reply record, byte for
// byte, so an ID the server sent without a terminator, or with bytes after it, goes
// back exactly as it came. A null ID names no account.
class AccountId
{
public:
    AccountId() = default;
    explicit AccountId(IdField field) : m_field(std::move(field)) {}
    static AccountId fromText(const QString& id) { return AccountId(idFieldFromText(id)); }

    bool isNull() const { return m_field.isEmpty(); }
    const IdField& field() const { return m_field; }
    // Up to the terminator, or the whole field when there is none.
    QString text() const { return getFixedText(m_field, 0, kIdFieldSize); }
    bool operator==(const AccountId&) const = default;

private:
    IdField m_field;
};

QByteArray buildAccountListRequest();
QByteArray buildCreateAccountRequest(const QString& id, const QString& password);
QByteArray buildDeleteAccountRequest(const IdField& id);
QByteArray buildAccountInfoRequest(const IdField& id);
QByteArray buildChangeAccountRequest(const IdField& id, ChangeKind kind, const QString& newPassword,
                                     const QString& newName);

// The list reply as received: u32, i32 count, 50-byte records. Reads only the
// records actually present, however large the declared count.
class AccountListView
{
public:
    explicit AccountListView(QByteArrayView payload) : m_payload(payload) {}
    qint32 declaredCount() const { return getI32(m_payload, 4); }
    int recordCount() const;
    QString idAt(int position) const;      // empty outside 0..recordCount()-1
    IdField idFieldAt(int position) const; // empty outside the records present
    AccountId accountAt(int position) const { return AccountId(idFieldAt(position)); }
    bool validPosition(int position) const { return position >= 0 && position < recordCount(); }

private:
    QByteArrayView m_payload;
};

struct AccountDetail
{
    QString id;
    QByteArray digestText; // 32 ASCII characters
    QString characterName;
    quint8 loginPermission = 0;
    quint8 authority = 0;
    quint8 loginState = 0;
};

// The detail reply; fields beyond the bytes received read as empty or 0.
AccountDetail readAccountDetail(QByteArrayView payload);

// Replies as the server builds them.
QByteArray buildAccountListReply(const QStringList& ids);
QByteArray buildAccountInfoReply(const AccountDetail& detail);

// Requests as the server reads them.
struct AccountRequest
{
    quint16 command = 0;
    QString id;            // decoded ID field
    QByteArray digestText; // create, change of password: 32 ASCII characters
    quint32 field = 0;     // info: mask; change: selector
    QString name;          // change of character name
    quint8 value = 0;      // change of a one-byte field
};
std::optional<AccountRequest> parseAccountRequest(quint16 command, QByteArrayView payload);

} // namespace tolvane::protocol
