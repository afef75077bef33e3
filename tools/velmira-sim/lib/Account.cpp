#include "Account.h"

namespace tolvane::sim {

bool isDigestText(const QByteArray& text)
{
    if (text.size() != 32)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

} // namespace tolvane::sim
