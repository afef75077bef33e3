#include "ui/CVelmiraAccountDlg.h"

#include "admin/AccountListModel.h"
#include "admin/AccountStore.h"
#include "console/AccountService.h"
#include "ui/MessageBoxSeam.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalBlocker>

namespace tolvane::ui {

using namespace Qt::StringLiterals;

namespace {

const QString kDigestHidden = u"*****"_s;
const QString kOnline = u"ログイン中♪"_s;
const QString kAbsent = u"不在"_s;
const QString kSuspendText = u"謹慎処分！"_s;
const QString kLiftText = u"謹慎解除"_s;

// One row of the layout table: for Idle, View, Edit and Create, what happens to
// the control. 'S' shows, 'H' hides, 'E' enables, 'D' disables, 'O' enables
// exactly when the shown player is online; "-" leaves the control alone.
struct LayoutRule
{
    int id;
    const char* layouts[4];
};

using Dlg = CVelmiraAccountDlg;

constexpr LayoutRule kLayoutRules[] = {
    {Dlg::IdAccounts, {"-", "E", "D", "D"}},
    {Dlg::IdAccountId, {"D", "D", "D", "E"}},
    {Dlg::IdPassword, {"D", "D", "E", "E"}},
    {Dlg::IdMd5, {"D", "SE", "HD", "HD"}},
    {Dlg::IdChangePassword, {"H", "H", "S", "H"}},
    {Dlg::IdNameLabel, {"-", "S", "H", "H"}},
    {Dlg::IdName, {"D", "SD", "SE", "HD"}},
    {Dlg::IdChangeName, {"H", "H", "S", "S"}},
    {Dlg::IdPermission, {"H", "SD", "HD", "HD"}},
    {Dlg::IdPermissionLabel, {"H", "S", "H", "H"}},
    {Dlg::IdAuthority, {"H", "SD", "SE", "HD"}},
    {Dlg::IdAuthorityLabel, {"H", "S", "S", "H"}},
    {Dlg::IdChangeAuthority, {"H", "H", "S", "H"}},
    {Dlg::IdEnrol, {"E", "E", "D", "D"}},
    {Dlg::IdEdit, {"D", "E", "D", "D"}},
    {Dlg::IdDelete, {"D", "E", "D", "D"}},
    {Dlg::IdSuspend, {"D", "E", "D", "D"}},
    {Dlg::IdSendHome, {"H", "SO", "SD", "D"}},
    {Dlg::IdLoginState, {"D", "D", "D", "D"}},
    {Dlg::IdCancel, {"H", "HD", "SE", "SE"}},
    {Dlg::IdExecute, {"H", "H", "HD", "SE"}},
    {Dlg::IdReload, {"D", "E", "D", "D"}},
    {Dlg::IdClose, {"E", "-", "-", "-"}},
};

} // namespace

QList<ControlSpec> CVelmiraAccountDlg::controlTable()
{
    using K = ControlKind;
    return {
        // Sorted style: the one line that is added rather than put at its
        // position takes its alphabetical place (AccountListModel::insertSorted).
        {IdAccounts, K::Custom, {}, QRect(7, 7, 102, 125), Sorted},
        {IdIdLabel, K::Static, u"アカウントID"_s, QRect(120, 9, 45, 8)},
        {IdAccountId, K::Edit, {}, QRect(117, 19, 134, 14)},
        {IdPasswordLabel, K::Static, u"アカウントPW"_s, QRect(120, 40, 45, 8)},
        {IdMd5, K::CheckBox, u"MD5"_s, QRect(169, 39, 25, 10)},
        {IdChangePassword, K::PushButton, u"パスワード変更"_s, QRect(197, 34, 55, 14)},
        {IdPassword, K::Edit, {}, QRect(117, 50, 134, 14)},
        {IdNameLabel, K::Static, u"キャラ名"_s, QRect(121, 71, 33, 8)},
        {IdChangeName, K::PushButton, u"キャラ名変更"_s, QRect(197, 66, 55, 14)},
        {IdName, K::Edit, {}, QRect(118, 81, 134, 14)},
        {IdPermissionLabel, K::Static, u"Denied"_s, QRect(122, 105, 33, 8)},
        {IdPermission, K::DropDownList, {}, QRect(119, 115, 48, 30)},
        {IdAuthorityLabel, K::Static, u"AuthType"_s, QRect(177, 105, 33, 8)},
        {IdAuthority, K::DropDownList, {}, QRect(174, 115, 48, 30)},
        {IdChangeAuthority, K::PushButton, u"変更"_s, QRect(228, 115, 25, 14)},
        {IdLoginStateLabel, K::Static, u"ログイン状態："_s, QRect(140, 137, 45, 8)},
        {IdLoginState, K::Edit, {}, QRect(185, 135, 67, 14), ReadOnly},
        {IdEnrol, K::PushButton, u"入学"_s, QRect(259, 7, 50, 14)},
        {IdEdit, K::PushButton, u"編集"_s, QRect(259, 29, 50, 14)},
        {IdDelete, K::PushButton, u"退学"_s, QRect(259, 52, 50, 14)},
        {IdSendHome, K::PushButton, u"帰宅させる！"_s, QRect(259, 75, 50, 14)},
        {IdSuspend, K::PushButton, u"謹慎"_s, QRect(259, 98, 50, 14)},
        {IdExecute, K::PushButton, u"実行"_s, QRect(259, 143, 50, 14)},
        {IdCancel, K::PushButton, u"キャンセル"_s, QRect(259, 162, 50, 14)},
        {IdReload, K::PushButton, u"再読み込み"_s, QRect(7, 132, 50, 14)},
        {IdClose, K::DefPushButton, u"管理作業終わり～"_s, QRect(115, 162, 87, 14)},
    };
}

QString CVelmiraAccountDlg::noAccountText()
{
    return u"no account"_s;
}

QString CVelmiraAccountDlg::noSelectionText()
{
    return u"アカウントが選択されていません・・（＾＾；"_s;
}

CVelmiraAccountDlg::CVelmiraAccountDlg(console::AccountService& accounts, QWidget* parent)
    : QDialog(parent), m_service(accounts)
{
    m_model = new admin::AccountListModel(this);
    // The list box is a view over the stored reply with rows of one height, so a
    // list of a million accounts is shown without a widget item per line.
    const auto makeList = [this](const ControlSpec&, QWidget* parent) {
        auto* list = new QListView(parent);
        list->setUniformItemSizes(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        list->setModel(m_model);
        return list;
    };
    m_controls =
        buildDialog(this, u"アカウント管理ダイアログ"_s, QSize(316, 183), controlTable(), makeList);

    m_accounts = qobject_cast<QListView*>(m_controls.value(IdAccounts));
    m_accountId = qobject_cast<QLineEdit*>(m_controls.value(IdAccountId));
    m_password = qobject_cast<QLineEdit*>(m_controls.value(IdPassword));
    m_name = qobject_cast<QLineEdit*>(m_controls.value(IdName));
    m_loginState = qobject_cast<QLineEdit*>(m_controls.value(IdLoginState));
    m_md5 = qobject_cast<QCheckBox*>(m_controls.value(IdMd5));
    m_permission = qobject_cast<QComboBox*>(m_controls.value(IdPermission));
    m_authority = qobject_cast<QComboBox*>(m_controls.value(IdAuthority));
    m_suspend = qobject_cast<QPushButton*>(m_controls.value(IdSuspend));

    // An item's index is its value on the wire; nothing is chosen at first.
    m_permission->addItems({u"許可"_s, u"拒否"_s});
    m_authority->addItems({u"None"_s, u"Navi"_s, u"GM"_s});
    m_permission->setCurrentIndex(-1);
    m_authority->setCurrentIndex(-1);

    auto button = [this](int id) { return qobject_cast<QPushButton*>(m_controls.value(id)); };
    connect(m_accounts->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CVelmiraAccountDlg::onSelectionChanged);
    // Toggled, not clicked: the Space key, an assistive client's Toggle action
    // and a click all end here.
    connect(m_md5, &QCheckBox::toggled, this, &CVelmiraAccountDlg::onMd5Toggled);
    connect(button(IdEdit), &QPushButton::clicked, this, &CVelmiraAccountDlg::onEdit);
    connect(button(IdEnrol), &QPushButton::clicked, this, &CVelmiraAccountDlg::onEnrol);
    connect(button(IdCancel), &QPushButton::clicked, this, &CVelmiraAccountDlg::onCancel);
    connect(button(IdReload), &QPushButton::clicked, this, &CVelmiraAccountDlg::onReload);
    connect(button(IdExecute), &QPushButton::clicked, this, &CVelmiraAccountDlg::onExecute);
    connect(button(IdDelete), &QPushButton::clicked, this, &CVelmiraAccountDlg::onDelete);
    connect(m_suspend, &QPushButton::clicked, this, &CVelmiraAccountDlg::onSuspend);
    connect(button(IdSendHome), &QPushButton::clicked, this, &CVelmiraAccountDlg::onSendHome);
    connect(button(IdChangePassword), &QPushButton::clicked, this,
            &CVelmiraAccountDlg::onChangePassword);
    connect(button(IdChangeName), &QPushButton::clicked, this, &CVelmiraAccountDlg::onChangeName);
    connect(button(IdChangeAuthority), &QPushButton::clicked, this,
            &CVelmiraAccountDlg::onChangeAuthority);
    connect(button(IdClose), &QPushButton::clicked, this, &QDialog::accept);
    // Replies come to this dialog itself, also while one of its boxes is open.
    connect(&m_service, &console::AccountService::listReceived, this,
            &CVelmiraAccountDlg::onListReceived);
    connect(&m_service, &console::AccountService::detailsReceived, this,
            &CVelmiraAccountDlg::onDetailsReceived);

    applyLayout(Layout::Idle);
}

void CVelmiraAccountDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_opened)
        return;
    m_opened = true;
    m_service.requestList();
}

void CVelmiraAccountDlg::applyLayout(Layout layout)
{
    const int column = int(layout);
    for (const LayoutRule& rule : kLayoutRules) {
        QWidget* w = m_controls.value(rule.id);
        if (!w)
            continue;
        for (const char* c = rule.layouts[column]; *c; ++c) {
            switch (*c) {
            case 'S':
                w->setVisible(true);
                break;
            case 'H':
                w->setVisible(false);
                break;
            case 'E':
                w->setEnabled(true);
                break;
            case 'D':
                w->setEnabled(false);
                break;
            case 'O':
                w->setEnabled(m_playerOnline);
                break;
            default:
                break;
            }
        }
    }
}

void CVelmiraAccountDlg::onListReceived(const QByteArray& reply)
{
    m_latestList = reply;
    // Refilling is no selection change of the operator's.
    const QSignalBlocker blocker(m_accounts->selectionModel());
    if (protocol::AccountListView(reply).recordCount() < 1) {
        // The lines already there stay, and so does the selection.
        m_model->insertSorted(noAccountText());
        return;
    }
    // No line is selected afterwards.
    m_model->setReply(reply);
}

void CVelmiraAccountDlg::onDetailsReceived(const protocol::AccountDetail& detail)
{
    m_detail = detail;
    const protocol::AccountDetail& d = m_detail;
    m_accountId->setText(d.id);
    m_password->setText(passwordBoxText());
    m_name->setText(d.characterName);
    // A byte outside the items selects nothing.
    m_permission->setCurrentIndex(d.loginPermission < m_permission->count() ? d.loginPermission
                                                                            : -1);
    m_suspend->setText(d.loginPermission == 0 ? kSuspendText : kLiftText);
    m_authority->setCurrentIndex(d.authority < m_authority->count() ? d.authority : -1);
    m_playerOnline = d.loginState != 0;
    m_loginState->setText(m_playerOnline ? kOnline : kAbsent);
    applyLayout(Layout::View);
}

QString CVelmiraAccountDlg::passwordBoxText() const
{
    return m_md5->isChecked() ? QString::fromLatin1(m_detail.digestText) : kDigestHidden;
}

int CVelmiraAccountDlg::selectedRow() const
{
    const QModelIndexList rows = m_accounts->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

std::optional<CVelmiraAccountDlg::SelectedAccount> CVelmiraAccountDlg::selectedAccount() const
{
    const int row = selectedRow();
    if (row < 0)
        return std::nullopt;
    // "no account" names none.
    SelectedAccount account{m_model->accountAt(row), m_model->lineAt(row)};
    if (account.id.isNull())
        return std::nullopt;
    return account;
}

protocol::AccountId CVelmiraAccountDlg::firstAccount() const
{
    // The first record of the latest list reply; none when it had no records.
    return protocol::AccountListView(m_latestList).accountAt(0);
}

bool CVelmiraAccountDlg::confirm(const QString& text)
{
    return ShowMessageBox(this, text, u"Final Answer?"_s, QMessageBox::Ok | QMessageBox::Cancel,
                          MsgIcon::Question, QMessageBox::Cancel) == QMessageBox::Ok;
}

void CVelmiraAccountDlg::notice(const QString& text)
{
    ShowMessageBox(this, text, u"(^^;"_s, QMessageBox::Ok, MsgIcon::Information, QMessageBox::Ok);
}

QString CVelmiraAccountDlg::noLinkText()
{
    return u"鯖との接続が切れているので送れません・・（；；"_s;
}

bool CVelmiraAccountDlg::linkReady()
{
    if (m_service.isLinkUp())
        return true;
    notice(noLinkText());
    return false;
}

void CVelmiraAccountDlg::onSelectionChanged()
{
    const int row = selectedRow();
    if (!linkReady())
        return;
    if (row < 0) {
        m_service.requestDetails(firstAccount());
        return;
    }
    if (const auto account = selectedAccount())
        m_service.requestDetails(account->id);
}

void CVelmiraAccountDlg::onMd5Toggled()
{
    m_password->setText(passwordBoxText());
}

void CVelmiraAccountDlg::onEdit()
{
    m_pendingOperation = PendingOperation::Editing;
    m_password->clear();
    applyLayout(Layout::Edit);
}

void CVelmiraAccountDlg::onEnrol()
{
    m_pendingOperation = PendingOperation::Creating;
    m_accountId->clear();
    m_password->clear();
    m_name->clear();
    applyLayout(Layout::Create);
}

void CVelmiraAccountDlg::onCancel()
{
    m_pendingOperation = PendingOperation::Nothing;
    protocol::AccountId account;
    if (selectedRow() < 0)
        account = firstAccount();
    else if (const auto selected = selectedAccount())
        account = selected->id;
    if (!account.isNull() && linkReady()) {
        m_service.requestDetails(account); // View returns with the reply
        return;
    }
    // No account to ask about would leave the operator stuck in this layout with
    // the list disabled; return to View at once instead.
    applyLayout(Layout::View);
}

void CVelmiraAccountDlg::onReload()
{
    if (!linkReady())
        return;
    m_service.requestList();
    m_pendingOperation = PendingOperation::Nothing;
}

void CVelmiraAccountDlg::onExecute()
{
    if (m_pendingOperation != PendingOperation::Creating)
        return;
    if (m_accountId->text().isEmpty() || m_password->text().isEmpty())
        return;
    const QString id = admin::cutToCapacity(m_accountId->text(), protocol::kMaxIdChars);
    const QString password = admin::cutToCapacity(m_password->text(), protocol::kMaxPasswordChars);
    if (!linkReady() || !confirm(u"ID="_s + id + u" "_s))
        return;
    m_service.create(id, password);
    m_pendingOperation = PendingOperation::Nothing;
    applyLayout(Layout::View);
    m_service.requestList();
}

void CVelmiraAccountDlg::onDelete()
{
    const auto account = selectedAccount();
    if (!account) {
        notice(noSelectionText());
        return;
    }
    if (!linkReady() || !confirm(u"！！∑　"_s + account->text + u"を退学させますか？"_s))
        return;
    // The ID captured before the box: a list reply that came meanwhile changes nothing.
    m_service.remove(account->id);
    m_accountId->clear();
    m_password->clear();
    m_service.requestList();
    m_pendingOperation = PendingOperation::Nothing;
}

void CVelmiraAccountDlg::onSuspend()
{
    const auto account = selectedAccount();
    if (!account) {
        notice(noSelectionText());
        return;
    }
    const bool suspend = m_permission->currentIndex() == 0;
    const QString text = suspend ? u"！！∑　「"_s + account->text + u"」を謹慎させますか？"_s
                                 : u"「"_s + account->text + u"」の謹慎を解除しますか？"_s;
    if (!linkReady() || !confirm(text))
        return;
    // The list and the button show the new state at once, without waiting for
    // the server.
    if (suspend) {
        m_service.suspend(account->id);
        m_permission->setCurrentIndex(1);
        m_suspend->setText(kLiftText);
    } else {
        m_service.lift(account->id);
        m_permission->setCurrentIndex(0);
        m_suspend->setText(kSuspendText);
    }
    applyLayout(Layout::View);
}

void CVelmiraAccountDlg::onSendHome()
{
    if (!m_playerOnline)
        return;
    const auto account = selectedAccount();
    if (!account) {
        notice(noSelectionText());
        return;
    }
    if (!linkReady() ||
        !confirm(u"！！∑　「"_s + account->text + u"」をただちに強制帰宅させますか？"_s))
        return;
    m_service.sendHome(account->id);
    m_pendingOperation = PendingOperation::Nothing;
    m_loginState->setText(kAbsent);
    m_playerOnline = false;
    applyLayout(Layout::View);
}

void CVelmiraAccountDlg::onChangePassword()
{
    if (m_password->text().isEmpty()) {
        notice(u"パスワード入力しないと\r変更できないですよ・・（＾＾；"_s);
        return;
    }
    const auto account = selectedAccount();
    if (!account) {
        notice(noSelectionText());
        return;
    }
    if (!linkReady())
        return;
    m_service.changePassword(account->id, m_password->text());
    m_pendingOperation = PendingOperation::Nothing;
    applyLayout(Layout::View);
}

void CVelmiraAccountDlg::onChangeName()
{
    if (m_name->text().isEmpty()) {
        notice(u"名前入力しないと\r変更できないですよ・・（＾＾；"_s);
        return;
    }
    const auto account = selectedAccount();
    if (!account) {
        notice(noSelectionText());
        return;
    }
    if (!linkReady())
        return;
    m_service.changeName(account->id, m_name->text());
    m_pendingOperation = PendingOperation::Nothing;
    applyLayout(Layout::View);
}

void CVelmiraAccountDlg::onChangeAuthority()
{
    const auto account = selectedAccount();
    if (!account) {
        notice(noSelectionText());
        return;
    }
    static const QString kWords[] = {u"none"_s, u"navi"_s, u"GM"_s};
    const std::optional<protocol::Authority> authority =
        protocol::authorityFromValue(m_authority->currentIndex());
    const QString word = authority ? kWords[m_authority->currentIndex()] : QString();
    if (!linkReady() ||
        !confirm(u"「"_s + account->text + u"」の権限を「"_s + word + u"」に変更しますか？"_s))
        return;
    if (authority)
        m_service.changeAuthority(account->id, *authority);
    applyLayout(Layout::View);
}

} // namespace tolvane::ui
