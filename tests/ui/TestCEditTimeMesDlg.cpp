#include "ui/CEditTimeMesDlg.h"
#include "ui/ControlTable.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using tolvane::ui::CEditTimeMesDlg;
using tolvane::ui::control;

class TestCEditTimeMesDlg : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsTextsAndFixedPart_data();
    void showsTextsAndFixedPart();
    void endings_data();
    void endings();
};

void TestCEditTimeMesDlg::showsTextsAndFixedPart_data()
{
    QTest::addColumn<CEditTimeMesDlg::Kind>("kind");
    QTest::addColumn<QString>("fixedPart");
    QTest::newRow("hourly") << CEditTimeMesDlg::Kind::Hourly << u"xx時"_s;
    QTest::newRow("half-hourly") << CEditTimeMesDlg::Kind::HalfHourly << u"xx時30分"_s;
}

void TestCEditTimeMesDlg::showsTextsAndFixedPart()
{
    QFETCH(CEditTimeMesDlg::Kind, kind);
    QFETCH(QString, fixedPart);
    // Longer than a line edit's usual limit: the text must come back whole.
    const QString longHead = QString(40000, u'長');
    CEditTimeMesDlg dlg(longHead, u"%s 末尾"_s, kind);
    dlg.show();
    QCOMPARE(dlg.windowTitle(), u"時報メッセージ編集ダイアログ"_s);
    auto* fixed = control<QLineEdit>(&dlg, CEditTimeMesDlg::IdFixedPart);
    QCOMPARE(fixed->text(), fixedPart);
    QVERIFY(fixed->isReadOnly());
    QVERIFY(fixed->alignment() & Qt::AlignHCenter);
    QCOMPARE(dlg.head(), longHead);
    QCOMPARE(dlg.tail(), u"%s 末尾"_s);
    QVERIFY(!control<QLineEdit>(&dlg, CEditTimeMesDlg::IdHead)->isReadOnly());
    QVERIFY(!control<QLineEdit>(&dlg, CEditTimeMesDlg::IdTail)->isReadOnly());
}

void TestCEditTimeMesDlg::endings_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << u"ok"_s << int(QDialog::Accepted);
    QTest::newRow("Enter") << u"enter"_s << int(QDialog::Accepted);
    QTest::newRow("キャンセル") << u"cancel"_s << int(QDialog::Rejected);
    QTest::newRow("Escape") << u"escape"_s << int(QDialog::Rejected);
    QTest::newRow("close box") << u"close"_s << int(QDialog::Rejected);
}

void TestCEditTimeMesDlg::endings()
{
    QFETCH(QString, how);
    QFETCH(int, result);
    CEditTimeMesDlg dlg(u"a"_s, u"b"_s, CEditTimeMesDlg::Kind::Hourly);
    dlg.show();
    control<QLineEdit>(&dlg, CEditTimeMesDlg::IdHead)->setText(u"新しい先頭"_s);
    QSignalSpy finished(&dlg, &QDialog::finished);
    if (how == u"ok")
        QTest::mouseClick(control<QPushButton>(&dlg, 1), Qt::LeftButton);
    else if (how == u"enter")
        QTest::keyClick(&dlg, Qt::Key_Return);
    else if (how == u"cancel")
        QTest::mouseClick(control<QPushButton>(&dlg, 2), Qt::LeftButton);
    else if (how == u"escape")
        QTest::keyClick(&dlg, Qt::Key_Escape);
    else
        dlg.close();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toInt(), result);
    QCOMPARE(dlg.head(), u"新しい先頭"_s);
}

QTEST_MAIN(TestCEditTimeMesDlg)
#include "TestCEditTimeMesDlg.moc"
