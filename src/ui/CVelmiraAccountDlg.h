#pragma once

#include "protocol/AccountMessages.h"
#include "ui/ControlTable.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;

namespace tolvane::admin {
class AccountListModel;
} // namespace tolvane::admin

namespace tolvane::console {
class AccountService;
} // namespace tolvane::console

namespace tolvane::ui {

// The account administration dialog (dialog 135). It never talks to the server:
// it calls the console's account service, naming an account by the ID of the line
// the operator chose, and shows the replies the service signals.
class CVelmiraAccountDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdClose = 1,
        IdLoginState = 1003,
        IdPassword = 1038,
        IdName = 1039,
        IdAccounts = 1053,
        IdPermission = 1054,
        IdAuthority = 1055,
        IdEdit = 1056,
        IdSuspend = 1057,
        IdDelete = 1058,
        IdReload = 1059,
        IdEnrol = 1060,
        IdAccountId = 1061,
        IdMd5 = 1079,
        IdCancel = 1080,
        IdExecute = 1081,
        IdIdLabel = 1082,
        IdPasswordLabel = 1083,
        IdNameLabel = 1084,
        IdPermissionLabel = 1085,
        IdAuthorityLabel = 1086,
        IdLoginStateLabel = 1087,
        IdChangePassword = 1088,
        IdSendHome = 1089,
        IdChangeAuthority = 1091,
        IdChangeName = 1092,
    };
    enum class Layout { Idle, View, Edit, Create };
    enum class PendingOperation { Nothing, Editing, Creating };

    // `accounts` outlives the dialog. While it has no link the dialog tells the
    // operator that a request would go nowhere, and sends and changes nothing.
    explicit CVelmiraAccountDlg(console::AccountService& accounts, QWidget* parent = nullptr);

    static QString noLinkText();

    static QList<ControlSpec> controlTable();
    static QString noAccountText();
    static QString noSelectionText();

    PendingOperation pendingOperation() const { return m_pendingOperation; }
    bool playerOnline() const { return m_playerOnline; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The line the operator chose: its text and the account it names, captured
    // before any box opens.
    struct SelectedAccount
    {
        protocol::AccountId id;
        QString text;
    };

    void applyLayout(Layout layout);
    void onListReceived(const QByteArray& reply);
    void onDetailsReceived(const protocol::AccountDetail& detail);

    void onSelectionChanged();
    void onMd5Toggled();
    void onEdit();
    void onEnrol();
    void onCancel();
    void onReload();
    void onExecute();
    void onDelete();
    void onSuspend();
    void onSendHome();
    void onChangePassword();
    void onChangeName();
    void onChangeAuthority();

    int selectedRow() const;
    std::optional<SelectedAccount> selectedAccount() const;
    protocol::AccountId firstAccount() const;
    QString passwordBoxText() const;
    bool confirm(const QString& text);
    void notice(const QString& text);
    bool linkReady();

    console::AccountService& m_service;
    QByteArray m_latestList;          // the latest list reply, shared
    protocol::AccountDetail m_detail; // the latest detail reply
    PendingOperation m_pendingOperation = PendingOperation::Nothing;
    bool m_playerOnline = false;
    bool m_opened = false;

    QHash<int, QWidget*> m_controls;
    admin::AccountListModel* m_model = nullptr;
    QListView* m_accounts = nullptr;
    QLineEdit* m_accountId = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_loginState = nullptr;
    QCheckBox* m_md5 = nullptr;
    QComboBox* m_permission = nullptr;
    QComboBox* m_authority = nullptr;
    QPushButton* m_suspend = nullptr;
};

} // namespace tolvane::ui
