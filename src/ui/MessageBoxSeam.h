#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through ShowMessageBox. The program
// shows a QMessageBox; tests install a responder that records each box and
// answers from a script, so no test ever waits on a real modal box.
namespace tolvane::ui {

enum class MsgIcon { None, Question, Information, Warning, Critical };

struct MessageBoxRequest
{
    QString text;    // exactly as the program passed it ("\r" breaks the line)
    QString caption; // empty: the box shows the application's name
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    MsgIcon icon = MsgIcon::None;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

using MessageBoxResponder = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;

QMessageBox::StandardButton
ShowMessageBox(QWidget* parent, const QString& text, const QString& caption = {},
               QMessageBox::StandardButtons buttons = QMessageBox::Ok, MsgIcon icon = MsgIcon::None,
               QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Installs a responder (tests); an empty function restores real boxes.
void setMessageBoxResponder(MessageBoxResponder responder);

} // namespace tolvane::ui
