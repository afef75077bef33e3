#include "ui/MessageBoxSeam.h"

#include <QCoreApplication>
#include <QPointer>

namespace tolvane::ui {

namespace {
MessageBoxResponder& responder()
{
    static MessageBoxResponder r;
    return r;
}

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons, MsgIcon icon,
                                           QMessageBox::StandardButton defaultButton)
{
    if (responder())
        return responder()({text, caption, buttons, icon, defaultButton});

    QPointer<QMessageBox> box = new QMessageBox(
        toQt(icon), caption.isEmpty() ? QCoreApplication::applicationName() : caption,
        QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')), buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    if (defaultButton != QMessageBox::NoButton)
        box->setDefaultButton(defaultButton);
    const int result = box->exec();
    if (box)
        delete box;
    return QMessageBox::StandardButton(result);
}

void setMessageBoxResponder(MessageBoxResponder r)
{
    responder() = std::move(r);
}

} // namespace tolvane::ui
