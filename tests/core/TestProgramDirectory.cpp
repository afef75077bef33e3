#include "platform/ProgramDirectory.h"

#include <QTest>

using tolvane::platform::chooseDataParent;

class TestProgramDirectory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dataParent_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("expected");
        const QString prog = QStringLiteral("/opt/tolvane/bin");
        const QString user = QStringLiteral("/home/gm/.local/share/TolvaneDesk");
        QTest::newRow("writable program directory") << true << false << user << prog;
        QTest::newRow("data directory already beside the program") << false << true << user << prog;
        // A system prefix on Linux, Program Files on Windows.
        QTest::newRow("unwritable: the user's directory") << false << false << user << user;
        QTest::newRow("no user directory known") << false << false << QString() << prog;
    }

    void dataParent()
    {
        QFETCH(bool, writable);
        QFETCH(bool, exists);
        QFETCH(QString, user);
        QFETCH(QString, expected);
        QCOMPARE(chooseDataParent(QStringLiteral("/opt/tolvane/bin"), writable, exists, user),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestProgramDirectory)
#include "TestProgramDirectory.moc"
