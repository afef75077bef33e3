#include "ManualTimeSource.h"

#include "console/CommandClient.h"
#include "console/CommandServer.h"
#include "console/CommandSocketName.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using testsupport::ManualTimeSource;

namespace {

QByteArray framed(const QByteArray& json)
{
    QByteArray length(4, '\0');
    for (int i = 0; i < 4; ++i)
        length[i] = char((quint32(json.size()) >> (8 * i)) & 0xff);
    return length + json;
}

} // namespace

// The hand-over's socket: one request and one reply per connection, and no peer
// can stop or block the console.
class TestCommandServer : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<ManualTimeSource> m_time;
    std::unique_ptr<CommandServer> m_server;
    QList<CommandRequest> m_handled;
    QString m_name;

    // Hands `request` over from another thread, as another process would, while
    // this thread's loop serves the console's side.
    CommandReply handOver(const CommandRequest& request, const QString& name = {})
    {
        auto answer = std::async(std::launch::async, [&] {
            return CommandClient::handOver(name.isEmpty() ? m_name : name, request, 3000);
        });
        while (answer.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return answer.get();
    }

    // The console's reply on a raw connection, once it has come.
    static std::optional<CommandReply> replyOn(QLocalSocket& socket)
    {
        CommandReader reader;
        (void)QTest::qWaitFor([&] {
            reader.feed(socket.readAll());
            return reader.state() != CommandReader::State::Incomplete;
        });
        return reader.state() == CommandReader::State::Complete ? replyFromJson(reader.message())
                                                                : std::nullopt;
    }

    bool connectRaw(QLocalSocket& socket)
    {
        socket.connectToServer(m_name);
        return socket.waitForConnected(3000);
    }

private Q_SLOTS:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_time = std::make_unique<ManualTimeSource>();
        m_handled.clear();
        m_server = std::make_unique<CommandServer>(
            [this](const CommandRequest& r) {
                m_handled.append(r);
                return CommandReply{CommandStatus::Ok, u"done "_s + r.argument};
            },
            m_time.get());
        m_name = m_tmp->filePath(u"run/command"_s);
        QVERIFY2(m_server->listen(m_name), qPrintable(m_server->errorString()));
    }
    void cleanup()
    {
        m_server.reset();
        m_time.reset();
        m_tmp.reset();
    }

    void roundTripOnAPrivateSocket()
    {
        const CommandReply reply = handOver({settings::HandOverCommand::Say, u"こんにちは"_s});
        QCOMPARE(reply.status, CommandStatus::Ok);
        QCOMPARE(reply.line, u"done こんにちは"_s);
        QCOMPARE(m_handled.size(), 1);
        QCOMPARE(m_handled.first().command, settings::HandOverCommand::Say);
#ifndef Q_OS_WIN
        // Neither the socket nor its directory lets anyone else in.
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(m_name).constData(), &st), 0);
        QVERIFY(S_ISSOCK(st.st_mode));
        QCOMPARE(st.st_mode & 0077, 0u);
        QCOMPARE(::stat(QFile::encodeName(m_tmp->filePath(u"run"_s)).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
#endif
    }

    void noConsole()
    {
        const CommandReply reply =
            handOver({settings::HandOverCommand::Status, {}}, m_tmp->filePath(u"nobody/command"_s));
        QCOMPARE(reply.status, CommandStatus::NoConsole);
        m_server.reset(); // a console that ended leaves no socket that answers
        QCOMPARE(handOver({settings::HandOverCommand::Status, {}}).status,
                 CommandStatus::NoConsole);
    }

    void hostileInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");

        QTest::newRow("not json") << framed("say hi") << u"not JSON"_s;
        QTest::newRow("oversized")
            << QByteArray::fromHex("00100100") + QByteArray(100, 'x') << u"message too large"_s;
        QTest::newRow("unknown command") << framed("{\"command\":\"rm\"}") << u"unknown command"_s;
        QTest::newRow("two requests")
            << framed("{\"command\":\"stop\"}") + framed("{\"command\":\"stop\"}")
            << u"bytes after the message"_s;
    }

    void hostileInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        QLocalSocket socket;
        QVERIFY(connectRaw(socket));
        socket.write(bytes);
        const auto reply = replyOn(socket);
        QVERIFY(reply);
        QCOMPARE(reply->status, CommandStatus::BadRequest);
        QVERIFY2(reply->line.startsWith(line), qPrintable(reply->line));
        QVERIFY(m_handled.isEmpty());
        // The console still answers the next one.
        QCOMPARE(handOver({settings::HandOverCommand::Stop, {}}).status, CommandStatus::Ok);
    }

    void slowPeerIsCutOff()
    {
        QLocalSocket socket;
        QVERIFY(connectRaw(socket));
        socket.write(QByteArray::fromHex("1400"));
        QTRY_COMPARE(m_server->connectionCount(), 1);
        m_time->advance(CommandServer::kRequestDeadlineMs - 1);
        QCoreApplication::processEvents();
        QVERIFY(!socket.waitForReadyRead(0));
        m_time->advance(1);
        const auto reply = replyOn(socket);
        QVERIFY(reply);
        QCOMPARE(reply->line, u"the request came too slowly"_s);
        QTRY_COMPARE(m_server->connectionCount(), 0);
    }

    void tooManyPeers()
    {
        std::vector<std::unique_ptr<QLocalSocket>> idle;
        for (int i = 0; i < CommandServer::kMaxConnections; ++i) {
            idle.push_back(std::make_unique<QLocalSocket>());
            QVERIFY(connectRaw(*idle.back()));
        }
        QTRY_COMPARE(m_server->connectionCount(), CommandServer::kMaxConnections);
        const CommandReply busy = handOver({settings::HandOverCommand::Status, {}});
        QCOMPARE(busy.status, CommandStatus::BadRequest);
        QCOMPARE(busy.line, u"the console is busy"_s);
        QVERIFY(m_handled.isEmpty());
        // The idle ones run out of time; then commands are served again.
        m_time->advance(CommandServer::kRequestDeadlineMs + CommandServer::kLingerMs);
        QTRY_COMPARE(m_server->connectionCount(), 0);
        QCOMPARE(handOver({settings::HandOverCommand::Status, {}}).status, CommandStatus::Ok);
    }

#ifndef Q_OS_WIN
    void halfClosedPeerIsAnswered()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(m_name);
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        const QByteArray part = framed("{\"command\":\"stop\"}").first(10);
        QCOMPARE(::write(fd, part.constData(), size_t(part.size())), ssize_t(part.size()));
        QCOMPARE(::shutdown(fd, SHUT_WR), 0);

        QByteArray received;
        CommandReader reader;
        (void)QTest::qWaitFor([&] {
            char buffer[256];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0)
                reader.feed(QByteArrayView(buffer, n));
            return reader.state() != CommandReader::State::Incomplete;
        });
        ::close(fd);
        QCOMPARE(reader.state(), CommandReader::State::Complete);
        QCOMPARE(replyFromJson(reader.message())->line, u"the request was cut short"_s);
        QVERIFY(m_handled.isEmpty());
    }

    void foreignDirectoryIsRefused()
    {
        // A directory that is a link (someone else's place) never holds the socket.
        const QString elsewhere = m_tmp->filePath(u"elsewhere"_s);
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QFile::link(elsewhere, m_tmp->filePath(u"linked"_s)));
        QString error;
        QVERIFY(!prepareCommandSocketDirectory(m_tmp->filePath(u"linked/command"_s), &error));
        QVERIFY(!error.isEmpty());
        // A directory of our own that is too open is narrowed.
        QVERIFY(QFile::setPermissions(
            elsewhere, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                           QFileDevice::ReadOther | QFileDevice::ExeOther));
        QVERIFY(prepareCommandSocketDirectory(elsewhere + u"/command"_s, &error));
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(elsewhere).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
    }
#endif
};

QTEST_GUILESS_MAIN(TestCommandServer)
#include "TestCommandServer.moc"
