#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

// Internal notifications: posted QEvents whose type is the notification's number,
// carrying two parameters. Posted events are delivered in posting order, also
// inside the nested loop of a modal dialog or message box.
namespace tolvane::net {

enum Notification : int {
    WM_FRAME_RECEIVED = 32100,
    WM_SET_CONTROL_STATE = 32101,
    WM_CONNECT_SERVER = 32102,
    WM_REQUEST_PLAYER_COUNT = 32103,
};

class NotifyEvent : public QEvent
{
public:
    NotifyEvent(int number, qint64 wParam, qint64 lParam)
        : QEvent(QEvent::Type(number)), m_wParam(wParam), m_lParam(lParam)
    {}
    qint64 wParam() const { return m_wParam; }
    qint64 lParam() const { return m_lParam; }

private:
    qint64 m_wParam;
    qint64 m_lParam;
};

inline void postNotification(QObject* receiver, int number, qint64 wParam = 0, qint64 lParam = 0)
{
    if (receiver)
        QCoreApplication::postEvent(receiver, new NotifyEvent(number, wParam, lParam));
}

} // namespace tolvane::net
