#include "ManualTimeSource.h"

#include "console/CommandClient.h"
#include "console/CommandServer.h"
#include "platform/SingleInstanceLock.h"

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#ifdef Q_OS_WIN
#include <windows.h>
#else
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
    std::unique_ptr<platform::SingleInstanceLock> m_lock;
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
#ifdef Q_OS_WIN
        m_name = u"tolvane-desk-test-"_s + QString::number(QCoreApplication::applicationPid());
#else
        m_name = m_tmp->filePath(u"run/command"_s);
#endif
        m_lock = std::make_unique<platform::SingleInstanceLock>(
            platform::singleInstanceLockPath(m_tmp->filePath(u"run"_s)));
        QVERIFY(m_lock->tryAcquire());
        QVERIFY2(m_server->listen(m_name, *m_lock), qPrintable(m_server->errorString()));
    }
    void cleanup()
    {
        m_server.reset();
        m_lock.reset();
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
#ifdef Q_OS_WIN
        const QString nobody = m_name + u"-nobody"_s;
#else
        const QString nobody = m_tmp->filePath(u"nobody/command"_s);
#endif
        const CommandReply reply = handOver({settings::HandOverCommand::Status, {}}, nobody);
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

    // Whoever controls the socket's folder could answer in the console's place: a
    // command is handed only into a folder of this user's that nobody else may enter.
    void folderNotPrivateIsRefused_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("problem");
        QTest::newRow("a link") << u"link"_s << u"is a link"_s;
        QTest::newRow("open to others") << u"open"_s << u"is open to other users (mode 0757)"_s;
        QTest::newRow("another user's") << u"foreign"_s << u"belongs to another user"_s;
    }

    void folderNotPrivateIsRefused()
    {
        QFETCH(QString, fault);
        QFETCH(QString, problem);
        const QByteArray run = QFile::encodeName(m_tmp->filePath(u"run"_s));
        QString name = m_name; // a console listens there, so only the check can refuse
        if (fault == u"link") {
            QVERIFY(QFile::link(m_tmp->filePath(u"run"_s), m_tmp->filePath(u"linked"_s)));
            name = m_tmp->filePath(u"linked/command"_s);
        } else if (fault == u"open") {
            QCOMPARE(::chmod(run.constData(), 0757), 0);
        } else if (::geteuid() != 0) {
            QSKIP("a folder of another user needs root to make (CI runs as root)");
        } else {
            QCOMPARE(::chown(run.constData(), 65534, 65534), 0);
        }
        const CommandReply reply = handOver({settings::HandOverCommand::Say, u"x"_s}, name);
        QCOMPARE(reply.status, CommandStatus::NotOwnSocket);
        QVERIFY2(reply.line.startsWith(u"not sent: "_s) && reply.line.contains(problem),
                 qPrintable(reply.line));
        QVERIFY(m_handled.isEmpty());
        // Nor does the console listen in such a folder (one of ours open to others is
        // closed first).
        CommandServer other([](const CommandRequest&) { return CommandReply{}; });
        QCOMPARE(other.listen(name, *m_lock), fault == u"open");
    }
#endif

    // A console that does not hold the lock neither listens nor takes the socket from
    // the one that does.
    void consoleWithoutTheLockDoesNotListen()
    {
        platform::SingleInstanceLock notHeld(m_lock->lockFilePath());
        QVERIFY(!notHeld.tryAcquire());
        CommandServer second([](const CommandRequest&) {
            return CommandReply{CommandStatus::Ok, u"second"_s};
        });
        QVERIFY(!second.listen(m_name, notHeld));
        QCOMPARE(second.errorString(), u"this console does not hold the single-instance lock"_s);
        const CommandReply reply = handOver({settings::HandOverCommand::Stop, {}});
        QCOMPARE(reply.line, u"done "_s);
        QCOMPARE(m_handled.size(), 1);
    }

#ifdef Q_OS_WIN
    // A pipe of the console's name made first by someone else, open to every user:
    // the console does not share the name, and a command does not trust it.
    void impostorPipeIsRefused()
    {
        const QString name = m_name + u"-taken"_s;
        const HANDLE impostor =
            CreateNamedPipeW(reinterpret_cast<const wchar_t*>((u"\\\\.\\pipe\\"_s + name).utf16()),
                             PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                             PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        QVERIFY(impostor != INVALID_HANDLE_VALUE);
        CommandServer console([](const CommandRequest&) { return CommandReply{}; });
        QVERIFY(!console.listen(name, *m_lock));
        QVERIFY2(console.errorString().contains(u"another process made it first"_s),
                 qPrintable(console.errorString()));
        const CommandReply reply = handOver({settings::HandOverCommand::Say, u"x"_s}, name);
        QCOMPARE(reply.status, CommandStatus::NotOwnSocket);
        QVERIFY2(reply.line.contains(u"open to other users"_s), qPrintable(reply.line));
        CloseHandle(impostor);
    }
#endif
};

QTEST_GUILESS_MAIN(TestCommandServer)
#include "TestCommandServer.moc"
