// The command socket's read side: bytes from another process, in pieces of any size,
// through the framed reader and the request decoder, as the console reads them.
#include "FuzzSupport.h"

#include "console/CommandReader.h"

using namespace tolvane;
using namespace tolvane::console;
using tolvane::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first two bytes choose the sizes of the pieces the stream arrives in.
    fuzz::InputReader input(data, size);
    const qsizetype pieces[2] = {qsizetype(input.byte()) + 1, qsizetype(input.byte()) + 1};
    const QByteArrayView stream = input.rest();

    CommandReader reader;
    qsizetype offset = 0;
    for (int k = 0; offset < stream.size(); ++k) {
        const QByteArrayView piece =
            stream.sliced(offset).first(qMin(pieces[k % 2], stream.size() - offset));
        offset += piece.size();
        const CommandReader::State before = reader.state();
        const CommandReader::State after = reader.feed(piece);
        // Memory stays within the limit, whatever a length declares.
        check(reader.bufferedBytes() <= kCommandLengthSize + kMaxCommandPayload);
        // A failure is final; a complete message is never taken back.
        check(before != CommandReader::State::Failed || after == CommandReader::State::Failed);
        check(before != CommandReader::State::Complete ||
              after != CommandReader::State::Incomplete);
        check((after == CommandReader::State::Failed) == !reader.error().isEmpty());
    }

    // However the stream was cut, the outcome is that of the stream read at once.
    CommandReader whole;
    whole.feed(stream);
    check(whole.state() == reader.state());
    check(whole.message() == reader.message());
    if (reader.state() != CommandReader::State::Complete)
        return 0;

    QString error;
    const std::optional<CommandRequest> request = requestFromJson(reader.message(), &error);
    check(request.has_value() == error.isEmpty());
    if (request) {
        check(request->command != settings::HandOverCommand::None);
        // What was read writes back into a frame that reads the same, when it fits.
        const QByteArray again = encodeCommandFrame(requestToJson(*request));
        check(again.size() <= kCommandLengthSize + kMaxCommandPayload);
        if (!again.isEmpty()) {
            CommandReader back;
            check(back.feed(again) == CommandReader::State::Complete);
            const auto reread = requestFromJson(back.message(), &error);
            check(reread && reread->command == request->command &&
                  reread->argument == request->argument);
        }
    }
    return 0;
}
