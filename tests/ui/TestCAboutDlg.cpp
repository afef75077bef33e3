#include "ui/CAboutDlg.h"
#include "ui/ControlTable.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using tolvane::ui::CAboutDlg;

class TestCAboutDlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsVersionAndIcon()
    {
        CAboutDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("バージョン情報 TolvaneDesk"));
        QStringList texts;
        for (const QLabel* l : dlg.findChildren<QLabel*>())
            texts.append(l->text());
        QVERIFY(texts.contains(QStringLiteral("トルヴェイン for Velmira, Version 1.1")));
        // The program icon comes from the compiled-in resources.
        const auto* icon = dlg.findChild<QLabel*>(QStringLiteral("programIcon"));
        QVERIFY(icon);
        QVERIFY(!icon->pixmap().isNull());
    }

    void okCloses()
    {
        CAboutDlg dlg;
        dlg.show();
        auto* ok = tolvane::ui::control<QPushButton>(&dlg, 1);
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestCAboutDlg)
#include "TestCAboutDlg.moc"
