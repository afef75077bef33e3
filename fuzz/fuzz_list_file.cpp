// Message-list files as found in the data directory: any bytes, any count line.
// A list read from a file and saved unchanged must read back the same.
#include "FuzzSupport.h"

#include "broadcast/MessageListStore.h"
#include "platform/CountedLineReader.h"

using namespace tolvane;
using tolvane::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = broadcast::parseListFile(bytes);
    check(lines.size() <= broadcast::kMaxListLines);
    check(lines.size() == platform::CountedLineReader(bytes, broadcast::kMaxListLines).count());

    // Past the lines an input can hold the rest are padding; saving thousands of empty
    // lines only slows the fuzzer down.
    if (lines.size() > qsizetype(size) + 1)
        return 0;
    // Only a replacement for bytes that were not code page 932 can stop a save.
    if (const auto encoded = broadcast::encodeListFile(lines)) {
        check(broadcast::parseListFile(*encoded) == lines);
    } else {
        const QString& offending = encoded.error().offendingText;
        check(lines.contains(offending));
        check(offending.contains(QChar::ReplacementCharacter));
    }
    return 0;
}
