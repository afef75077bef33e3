#include "ui/CConfigDlg.h"

#include "ui/ControlTable.h"
#include "ui/IpAddressEdit.h"
#include "ui/MessageBoxSeam.h"
#include "ui/TextLimit.h"

#include <QLineEdit>
#include <QPushButton>

namespace tolvane::ui {

namespace {

QList<ControlSpec> controlTable()
{
    using K = ControlKind;
    return {
        {CConfigDlg::IdHostIPLabel, K::Edit, {}, QRect(29, 17, 81, 14), ReadOnly | AlignRight},
        {CConfigDlg::IdHostIP, K::Custom, {}, QRect(113, 16, 100, 15)},
        {CConfigDlg::IdAdminPWLabel, K::Edit, {}, QRect(29, 35, 81, 14), ReadOnly | AlignRight},
        {CConfigDlg::IdAdminPW, K::Edit, {}, QRect(113, 35, 100, 15)},
        {1, K::DefPushButton, QStringLiteral("OK"), QRect(54, 62, 50, 14)},
        {2, K::PushButton, QStringLiteral("キャンセル"), QRect(122, 62, 50, 14)},
    };
}

} // namespace

CConfigDlg::CConfigDlg(console::ServerSettingsService& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    const QHash<int, QWidget*> c = buildDialog(
        this, QStringLiteral("Velmira鯖設定ダイアログ"), QSize(238, 83), controlTable(),
        [](const ControlSpec&, QWidget* parent) -> QWidget* { return new IpAddressEdit(parent); });

    m_hostIP = qobject_cast<IpAddressEdit*>(c.value(IdHostIP));
    m_adminPW = qobject_cast<QLineEdit*>(c.value(IdAdminPW));

    m_storedHostIP = m_settings.hostIP();
    m_hostIPShown = m_hostIP->setText(m_storedHostIP);
    if (!m_hostIPShown && !m_storedHostIP.trimmed().isEmpty()) {
        // A host name, say: the fields stay blank, and the stored text is kept unless
        // the operator types an address over it.
        const QString note = QStringLiteral("保存されているアドレス「%1」はここに表示できません\n"
                                            "アドレスを入力しなければ、そのまま残します")
                                 .arg(m_storedHostIP);
        m_hostIP->setToolTip(note);
        m_hostIP->setAccessibleDescription(note);
    }
    m_adminPW->setText(m_settings.adminPassword());
    // Shown in clear text; a longer stored password is shown whole, not cut.
    m_adminPW->setEchoMode(QLineEdit::Normal);
    setTypingLimit(m_adminPW, kMaxPasswordChars);
    qobject_cast<QLineEdit*>(c.value(IdHostIPLabel))
        ->setText(QStringLiteral("ヴェルミラ鯖IPアドレス"));
    qobject_cast<QLineEdit*>(c.value(IdAdminPWLabel))->setText(QStringLiteral("管理者パスワード"));

    connect(qobject_cast<QPushButton*>(c.value(1)), &QPushButton::clicked, this, &CConfigDlg::onOk);
    connect(qobject_cast<QPushButton*>(c.value(2)), &QPushButton::clicked, this, &QDialog::reject);
}

QString CConfigDlg::hostIP() const
{
    if (!m_hostIPShown && m_hostIP->isBlank())
        return m_storedHostIP;
    return m_hostIP->text();
}

QString CConfigDlg::adminPW() const
{
    return m_adminPW->text();
}

void CConfigDlg::onOk()
{
    // What the operator confirms: the values typed, replacing the values stored now.
    const QString hostIP = this->hostIP();
    const QString adminPW = m_adminPW->text();
    const auto stored = [this] {
        // Read afresh: the news of a change on disk may still be on its way.
        m_settings.reload();
        return QStringList{m_settings.hostIP(), m_settings.adminPassword()};
    };
    const QStringList before = stored();
    const QMessageBox::StandardButton answer = ShowMessageBox(
        this, QStringLiteral("更新しますよ～！？\r更新後、再起動してアクセスして下さい♪"),
        QStringLiteral("Final answer ?"), QMessageBox::Ok | QMessageBox::Cancel, MsgIcon::Question,
        QMessageBox::Ok);
    if (answer != QMessageBox::Ok)
        return;
    if (stored() != before) {
        // Someone else wrote the settings while the box was open: theirs are not
        // overwritten unseen. The dialog stays open; OK asks again.
        ShowMessageBox(this,
                       QStringLiteral("確認の間に設定ファイルが書き換えられたので\r"
                                      "更新しませんでした・・（；；"),
                       QStringLiteral("Final answer ?"), QMessageBox::Ok, MsgIcon::Warning);
        return;
    }
    // A failed write is not reported: the store keeps the old file whole.
    (void)m_settings.save(hostIP, adminPW);
    accept();
}

} // namespace tolvane::ui
