// The code page 932 codec: any bytes decode without reading past them, whatever
// decodes and encodes again decodes to the same text, and an encoded text never
// reads back as another.
#include "FuzzSupport.h"

#include "platform/Cp932Codec.h"

#include <utility>

using namespace tolvane;
using tolvane::fuzz::check;

namespace {

// Returns whether the text could be encoded.
bool checkEncode(const QString& text)
{
    QString unrepresentable;
    if (const auto bytes = platform::encodeCp932(text, &unrepresentable)) {
        check(platform::decodeCp932(*bytes) == text);
        return true;
    }
    check(!unrepresentable.isEmpty());
    for (const QChar c : std::as_const(unrepresentable))
        check(text.contains(c));
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString decoded = platform::decodeCp932(bytes);
    // Each byte yields at most one character; a two-byte character yields one.
    check(decoded.size() <= bytes.size());
    // Every character the decoder yields, except the replacement for bad bytes, can be
    // written again: a file read and saved unchanged never fails to save.
    check(checkEncode(decoded) || decoded.contains(QChar::ReplacementCharacter));
    checkEncode(fuzz::utf16Units(bytes));
    return 0;
}
