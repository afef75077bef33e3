#include "protocol/FrameAssembler.h"

#include <QTest>

#include <algorithm>

using tolvane::protocol::FrameAssembler;

class TestFrameAssembler : public QObject
{
    Q_OBJECT

    // Three replies back to back: a login result, an empty frame, a player count.
    static QByteArray stream()
    {
        return QByteArray::fromHex("040000001227"
                                   "01000000"
                                   "000000003427"
                                   "08000000e22e"
                                   "010000002a000000");
    }

    static void checkThree(FrameAssembler& a)
    {
        QCOMPARE(a.pendingFrames(), 3);
        auto f = a.takeFrame();
        QCOMPARE(f.command, quint16(10002));
        QCOMPARE(f.payload, QByteArray::fromHex("01000000"));
        f = a.takeFrame();
        QCOMPARE(f.command, quint16(10036));
        QVERIFY(f.payload.isEmpty());
        f = a.takeFrame();
        QCOMPARE(f.command, quint16(12002));
        QCOMPARE(f.payload, QByteArray::fromHex("010000002a000000"));
        QVERIFY(!a.hasFrame());
        QCOMPARE(a.bufferedBytes(), 0);
    }

private Q_SLOTS:
    // Cut anywhere, the whole stream in one read among the cuts: each feed counts the
    // frames it completed.
    void splitAtEveryBoundary()
    {
        const QByteArray s = stream();
        const QList<int> ends = {10, 16, 30}; // where each frame's last byte lies, plus one
        for (int cut = 0; cut <= s.size(); ++cut) {
            FrameAssembler a;
            const int first = a.feed(QByteArrayView(s).first(cut));
            const int second = a.feed(QByteArrayView(s).sliced(cut));
            const int before =
                int(std::count_if(ends.begin(), ends.end(), [cut](int end) { return end <= cut; }));
            QCOMPARE(first, before);
            QCOMPARE(second, 3 - before);
            checkThree(a);
        }
    }

    void oneByteAtATime()
    {
        const QByteArray s = stream();
        FrameAssembler a;
        QList<int> completedAt;
        for (int i = 0; i < s.size(); ++i) {
            if (a.feed(QByteArrayView(s).sliced(i, 1)) == 1)
                completedAt.append(i);
        }
        // Each frame completes with its last byte, the empty one with its sixth.
        QCOMPARE(completedAt, (QList<int>{9, 15, 29}));
        checkThree(a);
    }

    void lengthLimit_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<bool>("refused");
        // 1 MiB for every command but the account list reply (10012), which may
        // carry 64 MiB; one byte more is refused before anything is buffered.
        QTest::newRow("login result at 1 MiB") << QByteArray::fromHex("000010001227") << false;
        QTest::newRow("login result over") << QByteArray::fromHex("010010001227") << true;
        QTest::newRow("detail reply over") << QByteArray::fromHex("010010003a27") << true;
        QTest::newRow("list reply past 1 MiB") << QByteArray::fromHex("010010001c27") << false;
        QTest::newRow("list reply at 64 MiB") << QByteArray::fromHex("000000041c27") << false;
        QTest::newRow("list reply over") << QByteArray::fromHex("010000041c27") << true;
        QTest::newRow("list request over") << QByteArray::fromHex("010010001b27") << true;
        QTest::newRow("huge") << QByteArray::fromHex("ffffffff1c27") << true;
    }

    void lengthLimit()
    {
        QFETCH(QByteArray, header);
        QFETCH(bool, refused);
        FrameAssembler a;
        a.feed(header);
        QCOMPARE(a.hasError(), refused);
        if (refused) {
            // Nothing more is accepted after the refusal.
            QCOMPARE(a.feed(QByteArray::fromHex("000000001227")), 0);
            QVERIFY(!a.hasFrame());
            QCOMPARE(a.bufferedBytes(), 0);
        } else {
            const qsizetype length = qsizetype(quint8(header[0])) | quint8(header[1]) << 8 |
                                     quint8(header[2]) << 16 | quint8(header[3]) << 24;
            QCOMPARE(a.feed(QByteArray(length, 'x')), 1);
            QCOMPARE(a.takeFrame().payload.size(), length);
        }
    }

    void memoryFollowsTheBytes()
    {
        FrameAssembler a;
        // 64 MiB declared: nothing is held for it until bytes come.
        a.feed(QByteArray::fromHex("000000041c27"));
        QCOMPARE(a.reservedBytes(), 0);
        a.feed(QByteArray(1000, 'x'));
        QVERIFY(a.reservedBytes() >= 1000);
        for (int i = 0; i < 300; ++i) {
            a.feed(QByteArray(777, 'y'));
            QVERIFY(a.reservedBytes() <= 2 * (a.bufferedBytes() - 6));
        }
        QCOMPARE(a.bufferedBytes(), 6 + 1000 + 300 * 777);
        QVERIFY(!a.hasFrame());

        // A finished payload holds no more than its bytes.
        FrameAssembler b;
        b.feed(QByteArray::fromHex("b80b00001c27"));
        for (int i = 0; i < 3; ++i)
            b.feed(QByteArray(1000, char('a' + i)));
        const QByteArray payload = b.takeFrame().payload;
        QCOMPARE(payload, QByteArray(1000, 'a') + QByteArray(1000, 'b') + QByteArray(1000, 'c'));
        QCOMPARE(payload.capacity(), 3000);
    }

    void frameLongerThanTheOldBuffer()
    {
        // An account list of 100 IDs is far longer than 2064 bytes.
        QByteArray payload(8 + 100 * 50, '\0');
        payload[4] = 100;
        QByteArray frame = QByteArray::fromHex("90130000") + QByteArray::fromHex("1c27") + payload;
        QCOMPARE(frame.size(), 6 + 5008);
        FrameAssembler a;
        QCOMPARE(a.feed(frame), 1);
        QCOMPARE(a.takeFrame().payload.size(), 5008);
    }
};

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "TestFrameAssembler.moc"
