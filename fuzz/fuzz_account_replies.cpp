// The readers of single payloads: the console's reply views and the simulator's
// request readers, and the round trip of every request the console builds from
// operator text through the reader the simulator uses.
#include "FuzzSupport.h"

#include "admin/AccountStore.h"
#include "broadcast/BroadcastRequest.h"
#include "net/PasswordDigest.h"
#include "net/SessionMessages.h"

using namespace tolvane;
using tolvane::fuzz::check;

namespace {

QByteArrayView payloadOf(const QByteArray& frame)
{
    return QByteArrayView(frame).sliced(wire::kHeaderSize);
}

// The text up to its first zero unit.
QString upToZero(const QString& text)
{
    const qsizetype end = text.indexOf(QChar(u'\0'));
    return end < 0 ? text : text.left(end);
}

QByteArray digestText(const QString& password)
{
    return PasswordDigest(password).left(32);
}

void readReplies(QByteArrayView payload)
{
    const admin::AccountListView view(payload);
    const int count = view.recordCount();
    check(count >= 0 && count <= payload.size() / admin::kIdFieldSize);
    for (int i = -1; i <= count; ++i) {
        const QString id = view.idAt(i);
        check(view.idFieldAt(i).size() == (view.validPosition(i) ? admin::kIdFieldSize : 0));
        check(id.size() <= admin::kIdFieldSize / 2);
    }
    const admin::AccountDetail detail = admin::readAccountDetail(payload);
    check(detail.digestText.size() <= 32);
}

void readRequests(QByteArrayView payload)
{
    if (payload.size() >= 2) {
        const quint16 command = wire::getU16(payload, 0);
        admin::parseAccountRequest(command, payload.sliced(2));
    }
    for (const quint16 command :
         {wire::CmdAccountList, wire::CmdAccountCreate, wire::CmdAccountDelete,
          wire::CmdAccountInfo, wire::CmdAccountChange}) {
        if (const auto request = admin::parseAccountRequest(command, payload)) {
            check(request->command == command);
            check(request->id.size() <= admin::kIdFieldSize / 2);
            check(request->digestText.size() <= 32);
        }
    }

    if (const auto password = session::parseLoginRequest(payload))
        check(2 + password->size() * 2 <= payload.size());

    if (const auto broadcast = broadcast::parseBroadcastRequest(payload)) {
        check(broadcast->declaredBytes >= 0 && 2 + broadcast->declaredBytes <= payload.size());
        check(broadcast->text.size() * 2 <= broadcast->declaredBytes);
    }
}

// Operator text in every field: what the console sends, the simulator reads back.
void roundTrip(const QString& text)
{
    admin::AccountStore store;
    store.setNewAccountId(text);
    store.setNewAccountPassword(text);
    store.setNewPassword(text);
    store.setNewCharacterName(text);
    const admin::PendingAccountValues& pending = store.pending();
    check(pending.newAccountId.size() <= admin::kMaxIdChars);
    check(pending.newAccountPassword.size() <= admin::kMaxPasswordChars);
    check(pending.newCharacterName.size() <= admin::kMaxNameChars);
    check(!pending.newAccountId.contains(QChar(u'\0')));

    const QByteArray create =
        admin::buildCreateAccountRequest(pending.newAccountId, pending.newAccountPassword);
    const auto created = admin::parseAccountRequest(wire::CmdAccountCreate, payloadOf(create));
    check(created && created->id == pending.newAccountId);
    check(created->digestText == digestText(pending.newAccountPassword));

    const admin::IdField id = admin::idFieldFromText(pending.newAccountId);
    check(id.size() == admin::kIdFieldSize);
    const QByteArray name = admin::buildChangeAccountRequest(id, admin::ChangeKind::CharacterName,
                                                             {}, pending.newCharacterName);
    const auto renamed = admin::parseAccountRequest(wire::CmdAccountChange, payloadOf(name));
    check(renamed && renamed->id == pending.newAccountId);
    check(renamed->field == admin::FieldCharacterName && renamed->name == pending.newCharacterName);

    const QByteArray password =
        admin::buildChangeAccountRequest(id, admin::ChangeKind::Password, pending.newPassword, {});
    const auto changed = admin::parseAccountRequest(wire::CmdAccountChange, payloadOf(password));
    check(changed && changed->digestText == digestText(pending.newPassword));

    const QByteArray login = session::buildLoginRequest(text);
    const auto loggedIn = session::parseLoginRequest(payloadOf(login));
    check(loggedIn && *loggedIn == upToZero(text.left(0x7ffe)));

    for (const int cap : {broadcast::kLineCap, broadcast::kLiveCap}) {
        const QByteArray frame = broadcast::buildBroadcastRequest(text, cap);
        check(frame.size() <= wire::kHeaderSize + 2 + cap);
        const auto parsed = broadcast::parseBroadcastRequest(payloadOf(frame));
        check(parsed.has_value());
        const QString sent = text.left(parsed->declaredBytes / 2);
        check(parsed->text == upToZero(sent));
        check(parsed->terminated == (text.size() * 2 + 2 <= cap || sent.contains(QChar(u'\0'))));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView payload(reinterpret_cast<const char*>(data), qsizetype(size));
    readReplies(payload);
    readRequests(payload);
    roundTrip(fuzz::utf16Units(payload));
    return 0;
}
