#pragma once

#include "admin/AccountStore.h"

#include <QString>

namespace tolvane::console {

// What an account request asks, for the operator's log: the action and the account's
// ID, with the new name or authority where it has one; never a password or a digest.
// Empty for a request that is not logged. `notification`, `kind` and `pos` are the
// request's number and parameters as the account dialog posts them.
QString accountRequestLogText(int notification, qint64 kind, const admin::AccountStore& store,
                              qint64 pos);

} // namespace tolvane::console
