// The receive path of the console: bytes from the server, in pieces of any size,
// through the frame assembler and the session dispatcher into the account store,
// then read back the way the account dialog and the account requests read it.
#include "FuzzSupport.h"

#include "admin/AccountStore.h"
#include "net/SessionProtocol.h"
#include "protocol/FrameAssembler.h"

#include <QList>

using namespace tolvane;
using namespace tolvane::net;
using tolvane::fuzz::check;

namespace {

// Small, so the fuzzer reaches both limits and the lengths around them: the
// account list reply has a larger one than every other command.
constexpr protocol::PayloadLimits kLimits{4096, 16384};

void readList(const admin::AccountStore& store)
{
    const protocol::AccountListView view = store.list();
    const int count = view.recordCount();
    check(count >= 0);
    for (int i = -1; i <= count; ++i) {
        const QString id = view.idAt(i);
        const protocol::IdField field = view.idFieldAt(i);
        if (i >= 0 && i < count) {
            check(view.validPosition(i));
            check(field.size() == protocol::kIdFieldSize);
            check(id.size() <= protocol::kIdFieldSize / 2);
        } else {
            check(!view.validPosition(i) && id.isEmpty() && field.isEmpty());
        }
    }

    // The accounts of the first and last records, and of no record, as requests name them.
    for (const int position : {-1, 0, count - 1, count}) {
        const protocol::AccountId account = view.accountAt(position);
        check(account.isNull() == !view.validPosition(position));
        if (account.isNull())
            continue;
        check(account.text() == view.idAt(position));
        const QByteArray requests[] = {
            protocol::buildDeleteAccountRequest(account.field()),
            protocol::buildAccountInfoRequest(account.field()),
            protocol::buildChangeAccountRequest(account.field(), protocol::ChangeKind::Suspend, {},
                                                {}),
        };
        for (const QByteArray& request : requests) {
            check(protocol::getU32(request, 0) == quint32(request.size() - protocol::kHeaderSize));
            // The record's ID field goes back to the server exactly as it came.
            check(request.mid(protocol::kHeaderSize, protocol::kIdFieldSize) ==
                  view.idFieldAt(position));
        }
    }
}

void readDetail(const admin::AccountStore& store)
{
    check(store.detailRecord().size() == protocol::kDetailRecordSize);
    const protocol::AccountDetail detail = protocol::readAccountDetail(store.detailRecord());
    check(detail.id.size() <= protocol::kIdFieldSize / 2);
    check(detail.digestText.size() <= 32);
    check(detail.characterName.size() <= protocol::kNameFieldSize / 2);
    check(store.detail().id == detail.id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first four bytes choose the sizes of the pieces the stream arrives in.
    fuzz::InputReader input(data, size);
    qsizetype pieces[4];
    for (qsizetype& piece : pieces)
        piece = qsizetype(input.byte()) + 1;
    const QByteArrayView stream = input.rest();

    protocol::FrameAssembler assembler(kLimits);
    SessionProtocol session;
    admin::AccountStore store;
    QList<protocol::Frame> frames;
    qsizetype offset = 0;
    for (int k = 0; offset < stream.size(); ++k) {
        const QByteArrayView piece =
            stream.sliced(offset).first(qMin(pieces[k % 4], stream.size() - offset));
        offset += piece.size();
        const int completed = assembler.feed(piece);
        check(completed >= 0 && completed <= assembler.pendingFrames());
        check(assembler.bufferedBytes() <= qsizetype(kLimits.accountList) + protocol::kHeaderSize);
        // Memory follows the payload bytes received, never the declared length.
        check(assembler.reservedBytes() <=
              2 * qMax<qsizetype>(0, assembler.bufferedBytes() - protocol::kHeaderSize));
        while (assembler.hasFrame()) {
            const protocol::Frame frame = assembler.takeFrame();
            check(frame.payload.size() <= qsizetype(kLimits.forCommand(frame.command)));
            frames.append(frame);
            switch (session.dispatch(frame)) {
            case SessionProtocol::Outcome::AccountListReply:
                store.storeListReply(frame.payload);
                readList(store);
                break;
            case SessionProtocol::Outcome::AccountInfoReply:
                store.storeDetailReply(frame.payload);
                readDetail(store);
                break;
            case SessionProtocol::Outcome::PlayerCount:
                check(session.playerCount().has_value());
                break;
            default:
                break;
            }
        }
    }
    check(assembler.takeFrame().payload.isEmpty());

    // However the stream was cut, the frames are those of the stream read at once.
    protocol::FrameAssembler whole(kLimits);
    whole.feed(stream);
    check(whole.hasError() == assembler.hasError());
    check(whole.bufferedBytes() == assembler.bufferedBytes());
    check(whole.pendingFrames() == frames.size());
    for (const protocol::Frame& frame : std::as_const(frames)) {
        const protocol::Frame other = whole.takeFrame();
        check(other.command == frame.command && other.payload == frame.payload);
    }
    return 0;
}
