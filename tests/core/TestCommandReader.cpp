#include "console/CommandReader.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::console;
using namespace Qt::StringLiterals;
using State = CommandReader::State;

namespace {

QByteArray framed(const QByteArray& json)
{
    QByteArray length(4, '\0');
    const quint32 n = quint32(json.size());
    for (int i = 0; i < 4; ++i)
        length[i] = char((n >> (8 * i)) & 0xff);
    return length + json;
}

} // namespace

class TestCommandReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameBytes()
    {
        // {"argument":"Aあ","command":"say"}: 35 bytes of JSON, "あ" as E3 81 82.
        const QByteArray expected = QByteArray::fromHex("23000000") +
                                    "{\"argument\":\"A\xe3\x81\x82\",\"command\":\"say\"}";
        QCOMPARE(encodeCommandFrame(requestToJson({settings::HandOverCommand::Say, u"Aあ"_s})),
                 expected);
        // Past the limit nothing is framed.
        QVERIFY(
            encodeCommandFrame(requestToJson({settings::HandOverCommand::Say, QString(5000, u'x')}))
                .isEmpty());
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("error");

        const QByteArray status = "{\"command\":\"status\"}";
        QTest::newRow("whole") << framed(status) << int(State::Complete) << QString();
        QTest::newRow("empty") << QByteArray() << int(State::Incomplete) << QString();
        QTest::newRow("short") << framed(status).chopped(1) << int(State::Incomplete) << QString();
        QTest::newRow("at the limit") << framed("{\"a\":\"" + QByteArray(4096 - 8, 'x') + "\"}")
                                      << int(State::Complete) << QString();
        QTest::newRow("one over the limit")
            << QByteArray::fromHex("01100000") << int(State::Failed) << u"message too large"_s;
        QTest::newRow("huge length")
            << QByteArray::fromHex("ffffffff7b7d") << int(State::Failed) << u"message too large"_s;
        QTest::newRow("bytes after")
            << framed(status) + 'x' << int(State::Failed) << u"bytes after the message"_s;
        QTest::newRow("two messages") << framed(status) + framed(status) << int(State::Failed)
                                      << u"bytes after the message"_s;
        QTest::newRow("not json") << framed("hello") << int(State::Failed) << u"not JSON"_s;
        QTest::newRow("array") << framed("[1,2]") << int(State::Failed) << u"not a JSON object"_s;
        QTest::newRow("bad utf-8")
            << framed("{\"command\":\"\xff\xfe\"}") << int(State::Failed) << u"not JSON"_s;
        QTest::newRow("zero length") << QByteArray(4, '\0') << int(State::Failed) << u"not JSON"_s;
    }

    // The same result whether the bytes come at once or one by one.
    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, state);
        QFETCH(QString, error);

        CommandReader whole;
        whole.feed(bytes);
        CommandReader pieces;
        for (const char c : std::as_const(bytes))
            pieces.feed(QByteArrayView(&c, 1));
        for (const CommandReader* r : {&whole, &pieces}) {
            QCOMPARE(int(r->state()), state);
            QVERIFY2(r->error().startsWith(error), qPrintable(r->error()));
            QVERIFY(r->bufferedBytes() <= kCommandLengthSize + kMaxCommandPayload);
        }
        QCOMPARE(pieces.message(), whole.message());
    }

    void requests_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("command"); // -1: refused
        QTest::addColumn<QString>("argument");

        QTest::newRow("say") << QByteArray("{\"command\":\"say\",\"argument\":\"hi\"}")
                             << int(settings::HandOverCommand::Say) << u"hi"_s;
        QTest::newRow("broadcast") << QByteArray("{\"command\":\"broadcast\",\"argument\":\"L\"}")
                                   << int(settings::HandOverCommand::Broadcast) << u"L"_s;
        QTest::newRow("stop") << QByteArray("{\"command\":\"stop\"}")
                              << int(settings::HandOverCommand::Stop) << QString();
        QTest::newRow("status ignores extra")
            << QByteArray("{\"command\":\"status\",\"argument\":\"x\"}")
            << int(settings::HandOverCommand::Status) << QString();
        QTest::newRow("say without text") << QByteArray("{\"command\":\"say\"}") << -1 << QString();
        QTest::newRow("say with a number")
            << QByteArray("{\"command\":\"say\",\"argument\":5}") << -1 << QString();
        QTest::newRow("unknown") << QByteArray("{\"command\":\"reboot\"}") << -1 << QString();
        QTest::newRow("no command") << QByteArray("{}") << -1 << QString();
    }

    void requests()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, command);
        QFETCH(QString, argument);

        CommandReader reader;
        QCOMPARE(reader.feed(framed(json)), State::Complete);
        QString error;
        const auto request = requestFromJson(reader.message(), &error);
        QCOMPARE(request.has_value(), command >= 0);
        QCOMPARE(error.isEmpty(), command >= 0);
        if (request) {
            QCOMPARE(int(request->command), command);
            QCOMPARE(request->argument, argument);
            // What the client writes reads back the same.
            QCOMPARE(requestFromJson(requestToJson(*request), &error)->argument, argument);
        }
    }

    void replies()
    {
        const CommandReply sent{CommandStatus::UnknownList, u"no such list: 予約"_s};
        const auto back = replyFromJson(replyToJson(sent));
        QVERIFY(back);
        QCOMPARE(back->status, sent.status);
        QCOMPARE(back->line, sent.line);
        QVERIFY(!replyFromJson({{u"status"_s, 99}, {u"line"_s, u"x"_s}}));
        QVERIFY(!replyFromJson({{u"status"_s, -1}, {u"line"_s, u"x"_s}}));
        QVERIFY(!replyFromJson({{u"status"_s, u"0"_s}, {u"line"_s, u"x"_s}}));
        QVERIFY(!replyFromJson({{u"status"_s, 0}}));
    }
};

QTEST_GUILESS_MAIN(TestCommandReader)
#include "TestCommandReader.moc"
