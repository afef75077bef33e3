#pragma once

#include "console/ServerSettingsService.h"

#include <QDialog>

class QLineEdit;

namespace tolvane::ui {

class IpAddressEdit;

// The server settings dialog (dialog 133): the game server's address and the
// administrator password, saved through the server settings service after a
// confirmation. A new address takes effect at the next start of the console.
class CConfigDlg : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdHostIP = 1036,
        IdHostIPLabel = 1037,
        IdAdminPWLabel = 1038,
        IdAdminPW = 1039,
    };
    static constexpr int kMaxPasswordChars = 34;

    // `settings` outlives the dialog.
    explicit CConfigDlg(console::ServerSettingsService& settings, QWidget* parent = nullptr);

    // What OK writes as HostIP: the address in the control, or the stored text when
    // the control could not show it and the operator has typed no address.
    QString hostIP() const;
    QString adminPW() const;

private:
    void onOk();

    console::ServerSettingsService& m_settings;
    QString m_storedHostIP;
    bool m_hostIPShown = false; // the control could show the stored text
    IpAddressEdit* m_hostIP = nullptr;
    QLineEdit* m_adminPW = nullptr;
};

} // namespace tolvane::ui
