#pragma once

#include "net/Notifications.h"

#include <QList>
#include <QObject>

namespace testsupport {

// Records the console's posted notifications: those posted to it (it stands in for a
// window or a dialog), and, installed as an event filter, those that reach another
// object, which still handles them.
class PostedRecorder : public QObject
{
public:
    struct Posted
    {
        int number = 0;
        qint64 wParam = 0;
        qint64 lParam = 0;
        bool operator==(const Posted&) const = default;
    };
    QList<Posted> posts;

    QList<int> numbers() const
    {
        QList<int> out;
        for (const Posted& p : posts)
            out.append(p.number);
        return out;
    }
    int count(int number) const { return int(numbers().count(number)); }

    bool event(QEvent* e) override { return record(e) || QObject::event(e); }
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        record(e);
        return QObject::eventFilter(watched, e);
    }

private:
    bool record(QEvent* e)
    {
        const int t = int(e->type());
        if (t < tolvane::net::WM_FRAME_RECEIVED || t > tolvane::net::WM_REQUEST_PLAYER_COUNT)
            return false;
        const auto* n = static_cast<tolvane::net::NotifyEvent*>(e);
        posts.append({t, n->wParam(), n->lParam()});
        return true;
    }
};

} // namespace testsupport
