#include "console/CommandDispatcher.h"

#include "broadcast/MessageListStore.h"
#include "console/ConsoleController.h"
#include "protocol/BroadcastRequest.h"

#include <QJsonDocument>

namespace tolvane::console {

using namespace Qt::StringLiterals;

namespace {

// Lines a command causes are marked for as long as it runs.
class LogMarkScope
{
public:
    LogMarkScope(ConsoleController& c, const QString& mark) : m_controller(c)
    {
        m_controller.setLogMark(mark);
    }
    ~LogMarkScope() { m_controller.setLogMark({}); }
    LogMarkScope(const LogMarkScope&) = delete;
    LogMarkScope& operator=(const LogMarkScope&) = delete;

private:
    ConsoleController& m_controller;
};

// The four names scripts know; the finer states fall into them.
QString linkName(LinkState state)
{
    switch (state) {
    case LinkState::Idle:
    case LinkState::Starting:
    case LinkState::Connecting:
    case LinkState::Reconnecting:
        return u"connecting"_s;
    case LinkState::Connected:
    case LinkState::LoggingIn:
    case LinkState::Refused:
        return u"connected"_s;
    case LinkState::LoggedIn:
        return u"logged_in"_s;
    case LinkState::Unreachable:
    case LinkState::Lost:
        return u"lost"_s;
    }
    return {};
}

QJsonValue dueJson(const std::optional<timesignal::TimeSignalScheduler::Due>& due,
                   const QString& textKey)
{
    if (!due)
        return QJsonValue::Null;
    return QJsonObject{{u"at"_s, due->at.toString(u"yyyy-MM-ddTHH:mm:ss"_s)}, {textKey, due->text}};
}

} // namespace

CommandDispatcher::CommandDispatcher(ConsoleController& controller, QObject* parent)
    : QObject(parent), m_controller(controller)
{
    connect(&m_controller, &ConsoleController::controlStateChanged, this,
            [this](ControlState state) { m_controls.apply(state); });
}

void CommandDispatcher::log(const QString& text)
{
    const LogMarkScope mark(m_controller, m_mark);
    m_controller.logEvent(text);
}

CommandReply CommandDispatcher::refuse(settings::HandOverCommand command, CommandStatus status,
                                       const QString& line, const QString& reason)
{
    log(u"拒否 "_s + settings::commandOption(command) + u"："_s + reason);
    return {status, line};
}

std::optional<CommandReply> CommandDispatcher::needLogin(settings::HandOverCommand command)
{
    const LinkState state = m_controller.linkState();
    if (state == LinkState::LoggedIn)
        return std::nullopt;
    if (isLinkMade(state))
        return refuse(command, CommandStatus::NotLoggedIn, u"the console is not logged in"_s,
                      u"ログインしていません"_s);
    return refuse(command, CommandStatus::NotLoggedIn, u"the link to the server is down"_s,
                  u"鯖に接続していません"_s);
}

bool CommandDispatcher::isUnderWay() const
{
    return m_controls.isEnabled(Control::Stop) || m_controller.status().broadcast.has_value();
}

CommandReply CommandDispatcher::handle(const CommandRequest& request)
{
    // A command sent to every console says so in each console's log.
    m_mark = request.all ? kLogMarkAll : kLogMark;
    switch (request.command) {
    case settings::HandOverCommand::Say:
        return say(request.argument);
    case settings::HandOverCommand::Broadcast:
        return broadcast(request.argument);
    case settings::HandOverCommand::Stop:
        return stop();
    case settings::HandOverCommand::Status:
        return {CommandStatus::Ok,
                QString::fromUtf8(QJsonDocument(status()).toJson(QJsonDocument::Compact))};
    case settings::HandOverCommand::None:
        break;
    }
    return {CommandStatus::BadRequest, u"unknown command"_s};
}

CommandReply CommandDispatcher::say(const QString& text)
{
    if (auto refused = needLogin(settings::HandOverCommand::Say))
        return *refused;
    // Logged in, but the notification that enables the button is still on its way.
    if (!m_controls.isEnabled(Control::LiveSend))
        return refuse(settings::HandOverCommand::Say, CommandStatus::NotLoggedIn,
                      u"the console is not logged in"_s, u"ログインしていません"_s);
    const LogMarkScope mark(m_controller, m_mark);
    if (!m_controller.sendLiveTextLeavingBox(text))
        return {CommandStatus::NotLoggedIn, u"the link broke; nothing was sent"_s};
    return {CommandStatus::Ok, u"sent: "_s + protocol::textCarried(text, protocol::kLiveCap)};
}

CommandReply CommandDispatcher::broadcast(const QString& listName)
{
    if (auto refused = needLogin(settings::HandOverCommand::Broadcast))
        return *refused;
    if (isUnderWay())
        return refuse(settings::HandOverCommand::Broadcast, CommandStatus::BroadcastUnderWay,
                      u"a broadcast is already under way: "_s + m_controller.loadedListName(),
                      u"放送中です"_s);
    if (!m_controls.isEnabled(Control::Start))
        return refuse(settings::HandOverCommand::Broadcast, CommandStatus::NotLoggedIn,
                      u"the console is not logged in"_s, u"ログインしていません"_s);
    // Looked up as the shortcuts and the schedule look up their lists.
    const int index = broadcast::FindListByName(m_controller.listNames(), listName);
    if (index < 0)
        return refuse(settings::HandOverCommand::Broadcast, CommandStatus::UnknownList,
                      u"no such list: "_s + listName,
                      u"リストがありません「"_s + listName + u"」"_s);
    const QString title = m_controller.listNames().at(index);
    // Checked first, so an unreadable list starts nothing and opens no box.
    if (!m_controller.lists().read(title))
        return refuse(settings::HandOverCommand::Broadcast, CommandStatus::UnknownList,
                      u"the list cannot be read: "_s + title,
                      u"リストを読めません「"_s + title + u"」"_s);

    const LogMarkScope mark(m_controller, m_mark);
    m_controller.logEvent(u"放送開始 リスト「"_s + title + u"」"_s);
    m_controller.StartListBroadcast(listName);
    return {CommandStatus::Ok, u"broadcasting "_s + title + u" ("_s +
                                   QString::number(m_controller.lines().size()) + u" lines)"_s};
}

CommandReply CommandDispatcher::stop()
{
    // Whenever "放送中止！" may be pressed, also for a list with no lines, which
    // sends nothing and waits for it as the button does.
    if (!isUnderWay())
        return refuse(settings::HandOverCommand::Stop, CommandStatus::NoBroadcast,
                      u"no broadcast is under way"_s, u"放送していません"_s);
    const LogMarkScope mark(m_controller, m_mark);
    m_controller.logEvent(u"放送中止 リスト「"_s + m_controller.loadedListName() + u"」"_s);
    m_controller.StopBroadcast();
    return {CommandStatus::Ok, u"broadcast stopped"_s};
}

QJsonObject CommandDispatcher::status() const
{
    ConsoleStatus c = m_controller.status();
    // A list with no lines sends nothing, yet waits for "放送中止！" as one under way.
    if (!c.broadcast && isUnderWay())
        c.broadcast = BroadcastStatus{m_controller.loadedListName(), 0,
                                      int(m_controller.lines().size()), false};
    QJsonObject out;
    out.insert(u"profile"_s, m_controller.profile().isEmpty() ? QJsonValue(QJsonValue::Null)
                                                              : QJsonValue(m_controller.profile()));
    out.insert(u"link"_s, linkName(c.link));
    out.insert(u"players"_s, c.players ? QJsonValue(*c.players) : QJsonValue::Null);
    if (c.broadcast) {
        out.insert(u"broadcast"_s, QJsonObject{{u"list"_s, c.broadcast->list},
                                               {u"line"_s, c.broadcast->line},
                                               {u"lines"_s, c.broadcast->lines},
                                               {u"paused"_s, c.broadcast->paused}});
    } else {
        out.insert(u"broadcast"_s, QJsonValue::Null);
    }
    out.insert(u"time_signal_enabled"_s, c.timeSignalEnabled);
    out.insert(u"next_signal"_s, dueJson(c.nextSignal, u"text"_s));
    out.insert(u"next_list"_s, dueJson(c.nextList, u"list"_s));
    return out;
}

} // namespace tolvane::console
