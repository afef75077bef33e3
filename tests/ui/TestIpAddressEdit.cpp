#include "ui/IpAddressEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

using tolvane::ui::IpAddressEdit;

class TestIpAddressEdit : public QObject
{
    Q_OBJECT

private:
    // Keys go where the focus is, as typing does.
    static void type(IpAddressEdit& edit, const QString& keys)
    {
        for (const QChar c : keys) {
            QWidget* target = edit.window()->focusWidget();
            QVERIFY(target);
            if (c == u'<')
                QTest::keyClick(target, Qt::Key_Backspace);
            else
                QTest::keyClick(target, c.toLatin1());
        }
    }

private Q_SLOTS:
    void setTextParses_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("text");
        QTest::newRow("valid") << QStringLiteral("192.168.0.10") << QStringLiteral("192.168.0.10");
        QTest::newRow("bounds") << QStringLiteral("0.0.0.255") << QStringLiteral("0.0.0.255");
        QTest::newRow("blanks around") << QStringLiteral(" 1.2.3.4 ") << QStringLiteral("1.2.3.4");
        QTest::newRow("256") << QStringLiteral("256.1.1.1") << QString();
        QTest::newRow("three fields") << QStringLiteral("1.2.3") << QString();
        QTest::newRow("five fields") << QStringLiteral("1.2.3.4.5") << QString();
        QTest::newRow("trailing dot") << QStringLiteral("1.2.3.4.") << QString();
        QTest::newRow("empty field") << QStringLiteral("1..3.4") << QString();
        QTest::newRow("letters") << QStringLiteral("a.b.c.d") << QString();
        QTest::newRow("host name") << QStringLiteral("game.example") << QString();
        // Read as the Windows control reads them: decimal, never octal.
        QTest::newRow("leading zeros")
            << QStringLiteral("192.168.001.010") << QStringLiteral("192.168.1.10");
        QTest::newRow("four digits") << QStringLiteral("0010.0.0.1") << QString();
        QTest::newRow("sign") << QStringLiteral("+1.2.3.4") << QString();
        QTest::newRow("inner blank") << QStringLiteral("1. 2.3.4") << QString();
        QTest::newRow("full-width digits") << QStringLiteral("１.2.3.4") << QString();
        QTest::newRow("ipv6") << QStringLiteral("::1") << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void setTextParses()
    {
        QFETCH(QString, input);
        QFETCH(QString, text);
        IpAddressEdit edit;
        edit.setText(QStringLiteral("9.9.9.9")); // a refused text also clears what was there
        QCOMPARE(edit.setText(input), !text.isEmpty());
        QCOMPARE(edit.text(), text);
        QCOMPARE(edit.isBlank(), text.isEmpty());
    }

    void blankFieldReadsAsZero()
    {
        IpAddressEdit edit;
        edit.field(1)->setText(QStringLiteral("7"));
        QVERIFY(!edit.isBlank());
        QCOMPARE(edit.text(), QStringLiteral("0.7.0.0"));
    }

    void typing_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("address") << QStringLiteral("192.168.1.10")
                                 << QStringLiteral("192.168.1.10");
        QTest::newRow("short fields") << QStringLiteral("1.2.3.4") << QStringLiteral("1.2.3.4");
        QTest::newRow("dot in empty field ignored")
            << QStringLiteral("1..2") << QStringLiteral("1.2.0.0");
        QTest::newRow("above 255 clamped") << QStringLiteral("3001") << QStringLiteral("255.1.0.0");
        QTest::newRow("letters refused") << QStringLiteral("1a2") << QStringLiteral("12.0.0.0");
        QTest::newRow("backspace moves back")
            << QStringLiteral("12.<<3") << QStringLiteral("13.0.0.0");
        QTest::newRow("all erased") << QStringLiteral("1.<<") << QString();
        QTest::newRow("stops at last field")
            << QStringLiteral("1.2.3.1234") << QStringLiteral("1.2.3.123");
    }
    void typing()
    {
        QFETCH(QString, keys);
        IpAddressEdit edit;
        edit.show();
        QApplication::setActiveWindow(&edit);
        edit.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&edit));
        type(edit, keys);
        QTEST(edit.text(), "text");
    }
};

QTEST_MAIN(TestIpAddressEdit)
#include "TestIpAddressEdit.moc"
