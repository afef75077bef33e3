#pragma once

#include "ui/ControlTable.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;

namespace tolvane::admin {
class AccountListModel;
class AccountStore;
enum class ChangeKind : int;
} // namespace tolvane::admin

namespace tolvane::ui {

// The account administration dialog (dialog 135). It never talks to the server:
// it posts request notifications to the main window, naming accounts by their
// position in the stored list reply, and reads the stored replies when the main
// window posts WM_ACCOUNT_LIST_ARRIVED or WM_ACCOUNT_INFO_ARRIVED to it.
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

    // `store` and `mainWindow` belong to the main window and outlive the dialog;
    // requests are posted to `mainWindow`, nothing else is assumed of it.
    CVelmiraAccountDlg(admin::AccountStore& store, QObject* mainWindow, QWidget* parent = nullptr);

    // Asked before a request is sent: while it answers false the dialog tells the
    // operator that the request would go nowhere, and sends and changes nothing.
    void setLinkCheck(std::function<bool()> linkUp) { m_linkUp = std::move(linkUp); }
    static QString noLinkText();

    static QList<ControlSpec> controlTable();
    static QString noAccountText();
    static QString noSelectionText();

    PendingOperation pendingOperation() const { return m_pendingOperation; }
    bool playerOnline() const { return m_playerOnline; }

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    struct SelectedAccount
    {
        int position = -1;
        QString text;
    };

    void ApplyLayout(Layout layout);
    void RefillList();
    void ShowAccount();

    void OnSelChangeAccounts();
    void OnMd5Toggled();
    void OnEdit();
    void OnEnrol();
    void OnCancel();
    void OnReload();
    void OnExecute();
    void OnDelete();
    void OnSuspend();
    void OnSendHome();
    void OnChangePassword();
    void OnChangeName();
    void OnChangeAuthority();

    int selectedRow() const;
    std::optional<SelectedAccount> selectedAccount() const;
    bool namesStoredAccount(const SelectedAccount& account) const;
    QString passwordBoxText() const;
    bool confirm(const QString& text);
    void notice(const QString& text);
    bool linkReady();
    void post(int notification, qint64 wParam = 0, qint64 lParam = 0);
    void postChange(int position, admin::ChangeKind kind);

    admin::AccountStore& m_store;
    std::function<bool()> m_linkUp;
    QPointer<QObject> m_mainWindow;
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
