// The readers of single payloads: the console's reply views and the simulator's
// request readers, and the round trip of every request the console builds from
// operator text through the reader the simulator uses.
#include "FuzzSupport.h"

#include "admin/AccountStore.h"
#include "protocol/BroadcastRequest.h"
#include "protocol/PasswordDigest.h"
#include "protocol/SessionMessages.h"

using namespace tolvane;
using tolvane::fuzz::check;

namespace {

QByteArrayView payloadOf(const QByteArray& frame)
{
    return QByteArrayView(frame).sliced(protocol::kHeaderSize);
}

// The text up to its first zero unit.
QString upToZero(const QString& text)
{
    const qsizetype end = text.indexOf(QChar(u'\0'));
    return end < 0 ? text : text.left(end);
}

QByteArray digestText(const QString& password)
{
    return protocol::passwordDigest(password).left(32);
}

void readReplies(QByteArrayView payload)
{
    const protocol::AccountListView view(payload);
    const int count = view.recordCount();
    check(count >= 0 && count <= payload.size() / protocol::kIdFieldSize);
    for (int i = -1; i <= count; ++i) {
        const QString id = view.idAt(i);
        check(view.idFieldAt(i).size() == (view.validPosition(i) ? protocol::kIdFieldSize : 0));
        check(id.size() <= protocol::kIdFieldSize / 2);
    }
    const protocol::AccountDetail detail = protocol::readAccountDetail(payload);
    check(detail.digestText.size() <= 32);
}

void readRequests(QByteArrayView payload)
{
    if (payload.size() >= 2) {
        const quint16 command = protocol::getU16(payload, 0);
        protocol::parseAccountRequest(command, payload.sliced(2));
    }
    for (const quint16 command :
         {protocol::CmdAccountList, protocol::CmdAccountCreate, protocol::CmdAccountDelete,
          protocol::CmdAccountInfo, protocol::CmdAccountChange}) {
        if (const auto request = protocol::parseAccountRequest(command, payload)) {
            check(request->command == command);
            check(request->id.size() <= protocol::kIdFieldSize / 2);
            check(request->digestText.size() <= 32);
        }
    }

    if (const auto password = protocol::parseLoginRequest(payload))
        check(2 + password->size() * 2 <= payload.size());

    if (const auto broadcast = protocol::parseBroadcastRequest(payload)) {
        check(broadcast->declaredBytes >= 0 && 2 + broadcast->declaredBytes <= payload.size());
        check(broadcast->text.size() * 2 <= broadcast->declaredBytes);
    }
}

// Operator text in every field: what the console sends, the simulator reads back.
void roundTrip(const QString& text)
{
    // The texts as the account service cuts them for the requests.
    const QString newAccountId = admin::cutToCapacity(text, protocol::kMaxIdChars);
    const QString newAccountPassword = admin::cutToCapacity(text, protocol::kMaxPasswordChars);
    const QString newPassword = admin::cutToCapacity(text, protocol::kMaxPasswordChars);
    const QString newCharacterName = admin::cutToCapacity(text, protocol::kMaxNameChars);
    check(newAccountId.size() <= protocol::kMaxIdChars);
    check(newAccountPassword.size() <= protocol::kMaxPasswordChars);
    check(newCharacterName.size() <= protocol::kMaxNameChars);
    check(!newAccountId.contains(QChar(u'\0')));

    const QByteArray create = protocol::buildCreateAccountRequest(newAccountId, newAccountPassword);
    const auto created =
        protocol::parseAccountRequest(protocol::CmdAccountCreate, payloadOf(create));
    check(created && created->id == newAccountId);
    check(created->digestText == digestText(newAccountPassword));

    const protocol::IdField id = protocol::idFieldFromText(newAccountId);
    check(id.size() == protocol::kIdFieldSize);
    const QByteArray name = protocol::buildChangeAccountRequest(
        id, protocol::ChangeKind::CharacterName, {}, newCharacterName);
    const auto renamed = protocol::parseAccountRequest(protocol::CmdAccountChange, payloadOf(name));
    check(renamed && renamed->id == newAccountId);
    check(renamed->field == protocol::FieldCharacterName && renamed->name == newCharacterName);

    const QByteArray password =
        protocol::buildChangeAccountRequest(id, protocol::ChangeKind::Password, newPassword, {});
    const auto changed =
        protocol::parseAccountRequest(protocol::CmdAccountChange, payloadOf(password));
    check(changed && changed->digestText == digestText(newPassword));

    const QByteArray login = protocol::buildLoginRequest(text);
    const auto loggedIn = protocol::parseLoginRequest(payloadOf(login));
    check(loggedIn && *loggedIn == upToZero(text.left(0x7ffe)));

    for (const int cap : {protocol::kLineCap, protocol::kLiveCap}) {
        const QByteArray frame = protocol::buildBroadcastRequest(text, cap);
        check(frame.size() <= protocol::kHeaderSize + 2 + cap);
        const auto parsed = protocol::parseBroadcastRequest(payloadOf(frame));
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
