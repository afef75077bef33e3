#pragma once

// The main window in a temporary program folder, on a manual clock: what every
// window test starts from.

#include "FakeServer.h"
#include "FrameReader.h"
#include "ManualTimeSource.h"
#include "ProgramFolder.h"

#include "net/CClientASock.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/MainWindowLayout.h"
#include "ui/MessageBoxPrompts.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

namespace testsupport {

class DeskFixture : public ProgramFolder
{
public:
    // The window over a console of its own, wired as the program wires them, started.
    tolvane::ui::CTolvaneDeskDlg& open(quint16 port, bool autoLogin = false)
    {
        tolvane::console::ConsoleOptions o;
        o.settingsPath = ini;
        o.programDirectory = program;
        o.autoLogin = autoLogin;
        o.port = port;
        auto socket = std::make_unique<tolvane::net::CClientASock>();
        connection = socket.get();
        console = std::make_unique<tolvane::console::Console>(o, prompts, &time, std::move(socket));
        window = std::make_unique<tolvane::ui::CTolvaneDeskDlg>(*console, prompts);
        console->start();
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
            QTRY_VERIFY(server.connected() && connection->isConnected());
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
            QTRY_COMPARE(window->controller().linkState(), tolvane::console::LinkState::LoggedIn);
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

    ManualTimeSource time; // outlives the window
    tolvane::ui::MessageBoxPrompts prompts;
    std::unique_ptr<tolvane::console::Console> console;
    tolvane::net::ServerConnection* connection = nullptr; // the console's socket, owned by it
    std::unique_ptr<tolvane::ui::CTolvaneDeskDlg> window;

private:
    int m_loginsAnswered = 0;
    int m_pollsAnswered = 0;
};

} // namespace testsupport
