// The receive path of the console: bytes from the server, in pieces of any size,
// through the frame assembler and the session dispatcher into the account store,
// then read back the way the account dialog and the request notifications read it.
#include "FuzzSupport.h"

#include "admin/AccountStore.h"
#include "net/FrameAssembler.h"
#include "net/Notifications.h"
#include "net/SessionProtocol.h"

#include <QList>

#include <limits>

using namespace tolvane;
using namespace tolvane::net;
using tolvane::fuzz::check;

namespace {

// Small, so the fuzzer reaches both limits and the lengths around them: the
// account list reply has a larger one than every other command.
constexpr wire::PayloadLimits kLimits{4096, 16384};

void readList(const admin::AccountStore& store)
{
    const admin::AccountListView view = store.list();
    const int count = view.recordCount();
    check(count >= 0);
    for (int i = -1; i <= count; ++i) {
        const QString id = view.idAt(i);
        const admin::IdField field = view.idFieldAt(i);
        if (i >= 0 && i < count) {
            check(view.validPosition(i));
            check(field.size() == admin::kIdFieldSize);
            check(id.size() <= admin::kIdFieldSize / 2);
        } else {
            check(!view.validPosition(i) && id.isEmpty() && field.isEmpty());
        }
    }

    // Positions arrive as 64-bit notification parameters.
    constexpr qint64 kLowest = std::numeric_limits<qint64>::min();
    constexpr qint64 kPastInt = qint64(std::numeric_limits<int>::max()) + 1;
    const qint64 positions[] = {kLowest, -1, 0, 1, count - 1, count, kPastInt};
    check(!store.buildRequest(WM_ACCOUNT_LIST_ARRIVED, 0, 0).has_value());
    for (int notification = WM_ACCOUNT_LIST_REQ; notification <= WM_ACCOUNT_CHANGE_REQ;
         ++notification) {
        for (const qint64 position : positions) {
            const bool valid = position >= 0 && position < count;
            for (int kind = 0; kind <= 9; ++kind) {
                const auto request = store.buildRequest(notification, position, kind);
                bool expected = true; // the list and create requests name no record
                if (notification == WM_ACCOUNT_DELETE_REQ || notification == WM_ACCOUNT_INFO_REQ)
                    expected = valid;
                else if (notification == WM_ACCOUNT_CHANGE_REQ)
                    expected = valid && kind >= 1 && kind <= 8;
                check(request.has_value() == expected);
                if (!request)
                    continue;
                check(request->size() >= wire::kHeaderSize);
                check(wire::getU32(*request, 0) == quint32(request->size() - wire::kHeaderSize));
                // The record's ID field goes back to the server exactly as it came.
                if (valid && notification >= WM_ACCOUNT_DELETE_REQ)
                    check(request->mid(wire::kHeaderSize, admin::kIdFieldSize) ==
                          view.idFieldAt(int(position)));
            }
        }
    }
}

void readDetail(const admin::AccountStore& store)
{
    check(store.detailRecord().size() == admin::kDetailRecordSize);
    const admin::AccountDetail detail = admin::readAccountDetail(store.detailRecord());
    check(detail.id.size() <= admin::kIdFieldSize / 2);
    check(detail.digestText.size() <= 32);
    check(detail.characterName.size() <= admin::kNameFieldSize / 2);
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

    FrameAssembler assembler(kLimits);
    SessionProtocol session;
    admin::AccountStore store;
    QList<wire::Frame> frames;
    qsizetype offset = 0;
    for (int k = 0; offset < stream.size(); ++k) {
        const QByteArrayView piece =
            stream.sliced(offset).first(qMin(pieces[k % 4], stream.size() - offset));
        offset += piece.size();
        const int completed = assembler.feed(piece);
        check(completed >= 0 && completed <= assembler.pendingFrames());
        check(assembler.bufferedBytes() <= qsizetype(kLimits.accountList) + wire::kHeaderSize);
        // Memory follows the payload bytes received, never the declared length.
        check(assembler.reservedBytes() <=
              2 * qMax<qsizetype>(0, assembler.bufferedBytes() - wire::kHeaderSize));
        while (assembler.hasFrame()) {
            const wire::Frame frame = assembler.takeFrame();
            check(frame.payload.size() <= qsizetype(kLimits.forCommand(frame.command)));
            frames.append(frame);
            switch (session.Dispatch(frame)) {
            case SessionProtocol::Outcome::AccountListReply:
                store.storeListReply(frame.payload);
                readList(store);
                break;
            case SessionProtocol::Outcome::AccountInfoReply:
                store.storeDetailReply(frame.payload);
                readDetail(store);
                break;
            case SessionProtocol::Outcome::PlayerCountShown:
                check(!session.statusText().isEmpty());
                break;
            default:
                break;
            }
        }
    }
    check(assembler.takeFrame().payload.isEmpty());

    // However the stream was cut, the frames are those of the stream read at once.
    FrameAssembler whole(kLimits);
    whole.feed(stream);
    check(whole.hasError() == assembler.hasError());
    check(whole.bufferedBytes() == assembler.bufferedBytes());
    check(whole.pendingFrames() == frames.size());
    for (const wire::Frame& frame : std::as_const(frames)) {
        const wire::Frame other = whole.takeFrame();
        check(other.command == frame.command && other.payload == frame.payload);
    }
    return 0;
}
