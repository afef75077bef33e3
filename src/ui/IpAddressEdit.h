#pragma once

#include <QFrame>
#include <QString>

#include <array>

class QLineEdit;

namespace tolvane::ui {

// An IPv4 address control: four number fields of 0 to 255 with dots between them.
// Typing '.' (or a space) in a filled field, or a third digit, moves to the next
// field; Backspace in an empty field moves back; a value above 255 becomes 255.
class IpAddressEdit : public QFrame
{
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // Dotted decimal with a blank field read as 0; "" only when all four are blank.
    QString text() const;
    // A dotted IPv4 address (four decimal numbers 0 to 255, blanks around the whole
    // ignored) fills the fields; leading zeros are read as decimal, as the Windows
    // control reads them ("192.168.001.010" shows as 192.168.1.10). Anything else
    // leaves all four blank rather than showing a wrong address, and returns false.
    bool setText(const QString& text);
    bool isBlank() const;
    void clear();

    // The number field at `index` (0 to 3), for focus handling and tests.
    QLineEdit* field(int index) const;

Q_SIGNALS:
    void textChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFieldEdited(int index);
    void focusField(int index, bool cursorAtEnd);

    std::array<QLineEdit*, 4> m_fields{};
};

} // namespace tolvane::ui
