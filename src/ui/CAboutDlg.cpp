#include "ui/CAboutDlg.h"

#include "ui/ControlTable.h"
#include "ui/ProgramIcon.h"

#include "Version.h"

#include <QLabel>
#include <QPushButton>

namespace tolvane::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const QList<ControlSpec> table = {
        {kNoId, ControlKind::Custom, {}, QRect(14, 14, 21, 20)},
        {kNoId, ControlKind::Static,
         QStringLiteral("トルヴェイン for Velmira, Version ") + kVersion, QRect(42, 14, 114, 8)},
        {kNoId, ControlKind::Static,
         QStringLiteral("Qt %1 で動作中").arg(QLatin1String(qVersion())), QRect(42, 26, 114, 8)},
        {1, ControlKind::DefPushButton, QStringLiteral("OK"), QRect(113, 41, 50, 14)},
    };
    // The program icon keeps its 32-pixel size whatever the font, as an icon does.
    buildDialog(this, QStringLiteral("バージョン情報 TolvaneDesk"), QSize(170, 62), table,
                [](const ControlSpec&, QWidget* parent) -> QWidget* {
                    auto* icon = new QLabel(parent);
                    icon->setObjectName(QStringLiteral("programIcon"));
                    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                    icon->setPixmap(programIcon().pixmap(32, 32));
                    return icon;
                });
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace tolvane::ui
