#include "protocol/AccountMessages.h"

#include "protocol/PasswordDigest.h"

#include <QStringList>

namespace tolvane::protocol {

IdField idFieldFromText(const QString& id)
{
    IdField field(kIdFieldSize, '\0');
    putFixedText(field, 0, kIdFieldSize, id.left(kMaxIdChars));
    return field;
}

static void putIdField(QByteArray& frame, const IdField& id)
{
    // Copy up to the field's size; a short or empty field leaves zeros.
    const qsizetype n = qMin<qsizetype>(id.size(), kIdFieldSize);
    if (n > 0)
        memcpy(frame.data() + kHeaderSize, id.constData(), size_t(n));
}

QByteArray buildAccountListRequest()
{
    return makeFrame(CmdAccountList, 0);
}

QByteArray buildCreateAccountRequest(const QString& id, const QString& password)
{
    QByteArray frame = makeFrame(CmdAccountCreate, kCreatePayload);
    putIdField(frame, idFieldFromText(id));
    const QByteArray digest = passwordDigest(password.left(kMaxPasswordChars));
    memcpy(frame.data() + kHeaderSize + kIdFieldSize, digest.constData(), size_t(digest.size()));
    return frame;
}

QByteArray buildDeleteAccountRequest(const IdField& id)
{
    QByteArray frame = makeFrame(CmdAccountDelete, kDeletePayload);
    putIdField(frame, id);
    return frame;
}

QByteArray buildAccountInfoRequest(const IdField& id)
{
    QByteArray frame = makeFrame(CmdAccountInfo, kInfoPayload);
    putIdField(frame, id);
    putU32(frame, kHeaderSize + kIdFieldSize, FieldAll);
    return frame;
}

namespace {

constexpr ChangeKind kKinds[] = {
    ChangeKind::Password,      ChangeKind::CharacterName, ChangeKind::SendHome,
    ChangeKind::Suspend,       ChangeKind::Lift,          ChangeKind::AuthorityNone,
    ChangeKind::AuthorityNavi, ChangeKind::AuthorityGm,
};

} // namespace

std::optional<Authority> authorityFromValue(int value)
{
    if (value < 0 || value > int(Authority::Gm))
        return std::nullopt;
    return Authority(value);
}

ChangeKind authorityChangeKind(Authority authority)
{
    switch (authority) {
    case Authority::None:
        return ChangeKind::AuthorityNone;
    case Authority::Navi:
        return ChangeKind::AuthorityNavi;
    case Authority::Gm:
        break;
    }
    return ChangeKind::AuthorityGm;
}

ChangeTarget changeTarget(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::Password:
        return {FieldPassword, 0};
    case ChangeKind::CharacterName:
        return {FieldCharacterName, 0};
    case ChangeKind::SendHome:
        return {FieldLoginState, 0};
    case ChangeKind::Suspend:
        return {FieldLoginPermission, 1};
    case ChangeKind::Lift:
        return {FieldLoginPermission, 0};
    case ChangeKind::AuthorityNone:
        return {FieldAuthority, 0};
    case ChangeKind::AuthorityNavi:
        return {FieldAuthority, 1};
    case ChangeKind::AuthorityGm:
        return {FieldAuthority, 2};
    }
    return {0, 0};
}

std::optional<ChangeKind> changeKindOf(quint32 field, quint8 value)
{
    if (field == FieldPassword)
        return ChangeKind::Password;
    if (field == FieldCharacterName)
        return ChangeKind::CharacterName;
    for (const ChangeKind kind : kKinds) {
        const ChangeTarget target = changeTarget(kind);
        if (target.field == field && target.value == value)
            return kind;
    }
    return std::nullopt;
}

QByteArray buildChangeAccountRequest(const IdField& id, ChangeKind kind, const QString& newPassword,
                                     const QString& newName)
{
    const ChangeTarget target = changeTarget(kind);
    const int valueOffset = kHeaderSize + kIdFieldSize + 4;
    QByteArray frame;
    if (kind == ChangeKind::Password) {
        frame = makeFrame(CmdAccountChange, kChangePasswordPayload);
        const QByteArray digest = passwordDigest(newPassword.left(kMaxPasswordChars));
        memcpy(frame.data() + valueOffset, digest.constData(), size_t(digest.size()));
    } else if (kind == ChangeKind::CharacterName) {
        frame = makeFrame(CmdAccountChange, kChangeNamePayload);
        putFixedText(frame, valueOffset, kNameFieldSize, newName.left(kMaxNameChars));
    } else {
        frame = makeFrame(CmdAccountChange, kChangeBytePayload);
        frame[valueOffset] = char(target.value);
    }
    putU32(frame, kHeaderSize + kIdFieldSize, target.field);
    putIdField(frame, id);
    return frame;
}

int AccountListView::recordCount() const
{
    const qint32 declared = declaredCount();
    if (declared <= 0 || m_payload.size() < kListHeadSize)
        return 0;
    const qsizetype present = (m_payload.size() - kListHeadSize) / kIdFieldSize;
    return int(qMin<qsizetype>(declared, present));
}

QString AccountListView::idAt(int position) const
{
    if (!validPosition(position))
        return {};
    return getFixedText(m_payload, kListHeadSize + position * kIdFieldSize, kIdFieldSize);
}

IdField AccountListView::idFieldAt(int position) const
{
    if (!validPosition(position))
        return {};
    return m_payload.sliced(kListHeadSize + qsizetype(position) * kIdFieldSize, kIdFieldSize)
        .toByteArray();
}

AccountDetail readAccountDetail(QByteArrayView payload)
{
    AccountDetail d;
    d.id = getFixedText(payload, 4, kIdFieldSize);
    for (int i = 58; i < 58 + 32 && i < payload.size(); ++i) {
        if (payload[i] == '\0')
            break;
        d.digestText.append(payload[i]);
    }
    d.characterName = getFixedText(payload, 92, kNameFieldSize);
    auto byteAt = [&](int i) { return i < payload.size() ? quint8(payload[i]) : quint8(0); };
    d.loginPermission = byteAt(118);
    d.authority = byteAt(119);
    d.loginState = byteAt(120);
    return d;
}

QByteArray buildAccountListReply(const QStringList& ids)
{
    QByteArray frame =
        makeFrame(CmdAccountListReply, kListHeadSize + int(ids.size()) * kIdFieldSize);
    putU32(frame, kHeaderSize + 4, quint32(ids.size()));
    for (qsizetype i = 0; i < ids.size(); ++i)
        putFixedText(frame, kHeaderSize + kListHeadSize + int(i) * kIdFieldSize, kIdFieldSize,
                     ids[i].left(kMaxIdChars));
    return frame;
}

QByteArray buildAccountInfoReply(const AccountDetail& detail)
{
    QByteArray frame = makeFrame(CmdAccountInfoReply, kDetailRecordSize);
    const int p = kHeaderSize;
    putFixedText(frame, p + 4, kIdFieldSize, detail.id.left(kMaxIdChars));
    putU32(frame, p + 54, FieldAll);
    const QByteArray digest = detail.digestText.left(32);
    memcpy(frame.data() + p + 58, digest.constData(), size_t(digest.size()));
    putFixedText(frame, p + 92, kNameFieldSize, detail.characterName.left(kMaxNameChars));
    frame[p + 118] = char(detail.loginPermission);
    frame[p + 119] = char(detail.authority);
    frame[p + 120] = char(detail.loginState);
    return frame;
}

static QByteArray asciiField(QByteArrayView payload, int offset, int width)
{
    QByteArray out;
    for (int i = offset; i < offset + width && i < payload.size() && payload[i] != '\0'; ++i)
        out.append(payload[i]);
    return out;
}

std::optional<AccountRequest> parseAccountRequest(quint16 command, QByteArrayView payload)
{
    AccountRequest r;
    r.command = command;
    auto need = [&](int size) { return payload.size() >= size; };
    switch (command) {
    case CmdAccountList:
        return r;
    case CmdAccountCreate:
        if (!need(kCreatePayload))
            return std::nullopt;
        r.id = getFixedText(payload, 0, kIdFieldSize);
        r.digestText = asciiField(payload, kIdFieldSize, 32);
        return r;
    case CmdAccountDelete:
        if (!need(kDeletePayload))
            return std::nullopt;
        r.id = getFixedText(payload, 0, kIdFieldSize);
        return r;
    case CmdAccountInfo:
        if (!need(kInfoPayload))
            return std::nullopt;
        r.id = getFixedText(payload, 0, kIdFieldSize);
        r.field = getU32(payload, kIdFieldSize);
        return r;
    case CmdAccountChange:
        if (!need(kChangeBytePayload))
            return std::nullopt;
        r.id = getFixedText(payload, 0, kIdFieldSize);
        r.field = getU32(payload, kIdFieldSize);
        if (r.field == FieldPassword) {
            if (!need(kChangePasswordPayload))
                return std::nullopt;
            r.digestText = asciiField(payload, kIdFieldSize + 4, 32);
        } else if (r.field == FieldCharacterName) {
            if (!need(kChangeNamePayload))
                return std::nullopt;
            r.name = getFixedText(payload, kIdFieldSize + 4, kNameFieldSize);
        } else {
            r.value = quint8(payload[kIdFieldSize + 4]);
        }
        return r;
    default:
        return std::nullopt;
    }
}

} // namespace tolvane::protocol
