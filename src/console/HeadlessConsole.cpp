#include "console/HeadlessConsole.h"

#include "console/CommandSocketName.h"
#include "platform/ProgramDirectory.h"
#include "platform/SingleInstanceLock.h"
#include "platform/TerminationSignals.h"
#include "settings/CommandLine.h"

#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tolvane::console {

using namespace Qt::StringLiterals;
using Notice = OperatorPrompts::Notice;
using Question = OperatorPrompts::Question;

namespace {

QString questionText(Question question, int slot)
{
    switch (question) {
    case Question::DeleteList:
        return u"リストの削除"_s;
    case Question::BindShortcut:
        return u"短縮ボタン（"_s + QString::number(slot) + u"）の割り付け"_s;
    case Question::UnbindShortcut:
        return u"短縮ボタン（"_s + QString::number(slot) + u"）の解除"_s;
    }
    return {};
}

QString noticeText(Notice notice, const QString& detail)
{
    switch (notice) {
    case Notice::DataDirectoryCreated:
        return u"データディレクトリを作りました"_s;
    case Notice::DataDirectoryFailed:
        return u"データディレクトリが作れません"_s;
    case Notice::SampleListWritten:
        return u"サンプルメッセージリストを生成しました"_s;
    case Notice::SampleListFailed:
        return u"サンプルメッセージリストを作れません"_s;
    case Notice::TimeSignalFileWritten:
        return u"時報設定ファイルを生成しました"_s;
    case Notice::TimeSignalFileFailed:
        return u"時報設定ファイルを作れません"_s;
    case Notice::NoListToBroadcast:
        return u"放送するメッセージリストが選択されていません"_s;
    case Notice::NoListSelected:
        return u"メッセージリストが選択されていません"_s;
    case Notice::ListUnreadable:
        return u"メッセージリスト「"_s + detail + u"」を読み込めません"_s;
    case Notice::ShortcutListMissing:
        return u"短縮ボタンのメッセージリストがみつかりません"_s;
    case Notice::ShortcutReleased:
        return u"短縮ボタンを解除しました"_s;
    case Notice::NoListToBind:
        return u"メッセージリストが選択されていません"_s;
    case Notice::ConnectionFailed:
        return u"ヴェルミラ鯖とコネクションが取れません"_s;
    case Notice::AccountRequestNotSent:
        return u"鯖との接続が切れているので送れませんでした"_s;
    case Notice::ListGone:
        return u"メッセージリスト「"_s + detail + u"」はもうありません"_s;
    case Notice::ShortcutChanged:
        return u"短縮ボタン（"_s + detail + u"）の割り付けが変わっていました"_s;
    }
    return {};
}

} // namespace

bool HeadlessPrompts::confirm(Question question, int slot)
{
    // Nobody is there to agree: the choice that changes nothing.
    if (m_controller)
        m_controller->logEvent(u"確認 "_s + questionText(question, slot) +
                               u"：いいえ（画面なし）"_s);
    return false;
}

void HeadlessPrompts::inform(Notice notice, const QString& detail)
{
    if (m_controller)
        m_controller->logEvent(u"お知らせ "_s + noticeText(notice, detail));
}

HeadlessConsole::HeadlessConsole(ConsoleOptions options, TimeSource* time,
                                 std::unique_ptr<net::ServerConnection> connection,
                                 std::FILE* mirror, QObject* parent)
    : QObject(parent), m_mirror(mirror)
{
    options.autoLogin = true;
    options.retryLoginOnNewPassword = true;
    m_console =
        std::make_unique<Console>(std::move(options), m_prompts, time, std::move(connection));
    m_prompts.setController(&m_console->controller());
    if (m_mirror) {
        connect(&m_console->controller(), &ConsoleController::eventLogged, this,
                [this](const QDateTime& at, const QString& text) {
                    // One line per event, handed on at once, for the journal.
                    const QByteArray line = OperatorLog::formatLine(at, text).toUtf8() + '\n';
                    std::fwrite(line.constData(), 1, size_t(line.size()), m_mirror);
                    std::fflush(m_mirror);
                });
    }
}

void HeadlessConsole::start(const platform::SingleInstanceLock* lock, const QString& socketName)
{
    m_console->controller().logEvent(u"開始（画面なし） "_s + QString(kVersion));
    m_console->start(lock, socketName);
}

void HeadlessConsole::stop(const QString& reason)
{
    // As the window's close box: no setting is written. The headless console never
    // changes the time-signal texts, so there is nothing to save.
    m_prompts.setController(nullptr);
    m_console->stop(reason);
}

int HeadlessConsole::run(QCoreApplication& app, const QString& profile)
{
    QCoreApplication::setApplicationName(u"TolvaneDesk"_s);
    QCoreApplication::setApplicationVersion(QString(kVersion));

    ConsoleOptions options = ConsoleOptions::forStart(profile);
    const QString socket = options.commandSocket();

    platform::SingleInstanceLock lock(options.lockFilePath());
    if (!lock.tryAcquire()) {
        // For the journal and for the operator's log, which the running console shares.
        const QString world = options.logPrefix();
        std::fputs((u"tolvane-desk: "_s + world + u"the console does not start: "_s +
                    lock.errorString() + u'\n')
                       .toUtf8()
                       .constData(),
                   stderr);
        OperatorLog(options.logFolder())
            .write(QDateTime::currentDateTime(),
                   world + u"開始できません（画面なし）："_s + lock.errorString());
        return int(CommandStatus::NotStarted);
    }
    HeadlessConsole console(std::move(options));

    platform::TerminationSignals termination;
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, &app,
                     [&console](int number) {
                         console.stop(platform::TerminationSignals::signalName(number));
                         QCoreApplication::quit();
                     });
    console.start(&lock, socket);
    return app.exec();
}

} // namespace tolvane::console
