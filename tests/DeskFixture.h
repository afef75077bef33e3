#pragma once

// The main window in a temporary program folder, on a manual clock: what every
// window test starts from.

#include "FakeServer.h"
#include "FrameReader.h"
#include "ManualTimeSource.h"

#include "broadcast/MessageListStore.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/MainWindowLayout.h"

#include <QDir>
#include <QLineEdit>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace testsupport {

class DeskFixture
{
public:
    DeskFixture()
        : program(m_tmp.filePath(QStringLiteral("program"))),
          ini(m_tmp.filePath(QStringLiteral("Tolvane.ini")))
    {
        QDir().mkpath(program);
    }

    // A path inside the fixture's temporary folder.
    QString tempPath(const QString& name) const { return m_tmp.filePath(name); }
    QDir dataDir() const { return QDir(program + QStringLiteral("/TolvaneData")); }

    // An existing data directory (no first-start boxes) holding these lists.
    void makeDataDirectory(const QMap<QString, QStringList>& lists = {})
    {
        QDir().mkpath(dataDir().path());
        for (auto it = lists.begin(); it != lists.end(); ++it) {
            if (!tolvane::broadcast::WriteListFile(dataDir(), it.key(), it.value()).ok())
                QTest::qFail("the list could not be written", __FILE__, __LINE__);
        }
    }

    tolvane::ui::CTolvaneDeskDlg& open(quint16 port, bool autoLogin = false)
    {
        tolvane::ui::DeskOptions o;
        o.settingsPath = ini;
        o.programDirectory = program;
        o.autoLogin = autoLogin;
        o.port = port;
        o.timeSource = &time;
        window = std::make_unique<tolvane::ui::CTolvaneDeskDlg>(o);
        window->show();
        return *window;
    }

    template <typename T = QWidget> T* control(int id) const
    {
        return qobject_cast<T*>(window->controlWidget(id));
    }
    QString status() const
    {
        return control<QLineEdit>(tolvane::ui::mainwindow::IDC_STATUS)->text();
    }

    // The console's connection to `server` is up at both ends.
    bool connectedTo(const FakeServer& server)
    {
        bool ok = false;
        [&] {
            QTRY_VERIFY(server.connected() && window->controller().connection().isConnected());
            ok = true;
        }();
        return ok;
    }

    // Answers the console's next login on `server` with an acceptance and, with
    // `players` of 0 or more, its next player-count request with that count; true
    // once all that follows has been handled.
    bool acceptLogin(FakeServer& server, int players = -1)
    {
        bool ok = false;
        [&] {
            QTRY_VERIFY(server.received.count(10001) > m_loginsAnswered);
            m_loginsAnswered = server.received.count(10001);
            server.reply(QByteArray::fromHex("040000001227"
                                             "01000000"));
            QTRY_VERIFY(window->controller().session().loginAccepted());
            if (players >= 0) {
                QTRY_VERIFY(server.received.count(12001) > m_pollsAnswered);
                m_pollsAnswered = server.received.count(12001);
                server.reply(QByteArray::fromHex("08000000e22e"
                                                 "01000000") +
                             le32(quint32(players)));
                QTRY_COMPARE(status(), QStringLiteral("現在のプレイヤー数：%1人").arg(players));
            }
            ManualTimeSource::deliverPostedEvents();
            ok = true;
        }();
        return ok;
    }

    ManualTimeSource time;

private:
    QTemporaryDir m_tmp; // before the paths that lie in it
    int m_loginsAnswered = 0;
    int m_pollsAnswered = 0;

public:
    // Where the program lies; a test may point it elsewhere before open().
    QString program;
    const QString ini;
    std::unique_ptr<tolvane::ui::CTolvaneDeskDlg> window;
};

} // namespace testsupport
