#include "BoxRecorder.h"
#include "FileServices.h"

#include "settings/IniSettings.h"
#include "ui/CConfigDlg.h"
#include "ui/ControlTable.h"
#include "ui/IpAddressEdit.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using testsupport::BoxRecorder;
using tolvane::settings::IniSettings;
using tolvane::ui::CConfigDlg;
using tolvane::ui::control;
using tolvane::ui::IpAddressEdit;

class TestCConfigDlg : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<testsupport::FileServices> m_services;
    std::unique_ptr<CConfigDlg> m_dlg;

    QString iniPath() const { return m_tmp->filePath(QStringLiteral("Tolvane.ini")); }
    QString stored(const QString& key) const
    {
        return IniSettings(iniPath()).read(QStringLiteral("Velmira"), key,
                                           QStringLiteral("<none>"));
    }
    CConfigDlg& open()
    {
        m_services = std::make_unique<testsupport::FileServices>(QDir(m_tmp->path()), iniPath());
        m_dlg = std::make_unique<CConfigDlg>(m_services->server);
        m_dlg->show();
        return *m_dlg;
    }
    IpAddressEdit* address() const { return control<IpAddressEdit>(m_dlg.get(), 1036); }
    QLineEdit* password() const { return control<QLineEdit>(m_dlg.get(), 1039); }
    void clickOk() { QTest::mouseClick(control<QPushButton>(m_dlg.get(), 1), Qt::LeftButton); }

private Q_SLOTS:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_boxes = std::make_unique<BoxRecorder>();
    }
    void cleanup()
    {
        m_dlg.reset();
        m_services.reset();
        m_boxes.reset();
    }

    void opensWithDefaults()
    {
        CConfigDlg& dlg = open();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Velmira鯖設定ダイアログ"));
        QCOMPARE(address()->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(password()->text(), QStringLiteral("vexodrim"));
        QCOMPARE(password()->echoMode(), QLineEdit::Normal);
        QCOMPARE(password()->maxLength(), 34);
        QCOMPARE(control<QLineEdit>(&dlg, 1037)->text(), QStringLiteral("ヴェルミラ鯖IPアドレス"));
        QCOMPARE(control<QLineEdit>(&dlg, 1038)->text(), QStringLiteral("管理者パスワード"));
        QVERIFY(!QFile::exists(iniPath()));
    }

    void confirmationCancelKeepsEdits()
    {
        open();
        address()->setText(QStringLiteral("10.0.0.5"));
        password()->setText(QStringLiteral("neu"));
        m_boxes->expect(QMessageBox::Cancel);
        clickOk();
        QCOMPARE(m_boxes->boxes.size(), 1);
        const testsupport::RecordedBox& box = m_boxes->boxes[0];
        QCOMPARE(box.text,
                 QStringLiteral("更新しますよ～！？\r更新後、再起動してアクセスして下さい♪"));
        QCOMPARE(box.caption, QStringLiteral("Final answer ?"));
        QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.icon, tolvane::ui::MsgIcon::Question);
        QCOMPARE(box.defaultButton, QMessageBox::Ok);
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(address()->text(), QStringLiteral("10.0.0.5"));
        QCOMPARE(password()->text(), QStringLiteral("neu"));
        QVERIFY(!QFile::exists(iniPath()));
    }

    void okWritesBothKeys()
    {
        open();
        address()->setText(QStringLiteral("10.0.0.5"));
        password()->setText(QStringLiteral("neu"));
        m_boxes->expect(); // the confirmation
        QSignalSpy passwords(&m_services->server,
                             &tolvane::console::ServerSettingsService::adminPasswordChanged);
        clickOk();
        QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
        QCOMPARE(stored(QStringLiteral("HostIP")), QStringLiteral("10.0.0.5"));
        QCOMPARE(stored(QStringLiteral("AdminPW")), QStringLiteral("neu"));
        // Saved through the service, which hands the new password on.
        QCOMPARE(passwords.size(), 1);
        QCOMPARE(passwords[0][0].toString(), QStringLiteral("neu"));
    }

    void storedValuesShownAndKept_data()
    {
        QTest::addColumn<QString>("hostIP");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("shownIP");
        QTest::addColumn<QString>("typedIP"); // set in the control before OK, if any
        QTest::addColumn<QString>("writtenIP");
        QTest::newRow("address") << QStringLiteral("192.168.3.4") << QStringLiteral("pw")
                                 << QStringLiteral("192.168.3.4") << QString()
                                 << QStringLiteral("192.168.3.4");
        QTest::newRow("leading zeros")
            << QStringLiteral("192.168.001.010") << QStringLiteral("pw")
            << QStringLiteral("192.168.1.10") << QString() << QStringLiteral("192.168.1.10");
        // Not an address: shown blank, never as a made-up one, and kept on OK unless an
        // address is typed over it.
        QTest::newRow("host name") << QStringLiteral("game.example") << QStringLiteral("pw")
                                   << QString() << QString() << QStringLiteral("game.example");
        QTest::newRow("host name, address typed")
            << QStringLiteral("game.example") << QStringLiteral("pw") << QString()
            << QStringLiteral("10.0.0.5") << QStringLiteral("10.0.0.5");
        // A password longer than the edit allows is shown and kept whole, not cut.
        QTest::newRow("long password")
            << QStringLiteral("1.2.3.4") << QString(40, u'p') << QStringLiteral("1.2.3.4")
            << QString() << QStringLiteral("1.2.3.4");
    }
    void storedValuesShownAndKept()
    {
        QFETCH(QString, hostIP);
        QFETCH(QString, password);
        QFETCH(QString, shownIP);
        QFETCH(QString, typedIP);
        QFETCH(QString, writtenIP);
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Velmira]\r\nHostIP=%1\r\nAdminPW=%2\r\n")
                    .arg(hostIP, password)
                    .toUtf8());
        f.close();
        open();
        QCOMPARE(address()->text(), shownIP);
        // What the control cannot show is named where the operator looks for it.
        QCOMPARE(address()->toolTip().contains(hostIP), shownIP.isEmpty());
        QCOMPARE(this->password()->text(), password);
        if (!typedIP.isEmpty())
            address()->setText(typedIP);
        m_boxes->expect(); // the confirmation only
        clickOk();
        QCOMPARE(stored(QStringLiteral("HostIP")), writtenIP);
        QCOMPARE(stored(QStringLiteral("AdminPW")), password);
    }

    void cancelWritesNothing_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("button 2") << false;
        QTest::newRow("close box") << true;
    }
    void cancelWritesNothing()
    {
        QFETCH(bool, closeBox);
        open();
        address()->setText(QStringLiteral("10.0.0.5"));
        if (closeBox)
            m_dlg->close();
        else
            QTest::mouseClick(control<QPushButton>(m_dlg.get(), 2), Qt::LeftButton);
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(iniPath()));
    }
};

QTEST_MAIN(TestCConfigDlg)
#include "TestCConfigDlg.moc"
