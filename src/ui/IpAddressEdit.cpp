#include "ui/IpAddressEdit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QToolTip>

#include <algorithm>
#include <optional>

namespace tolvane::ui {

namespace {

constexpr int kMaxField = 255;

// One field of a dotted address: 1 to 3 decimal digits, at most 255. A leading zero
// does not make it octal, as it does for some resolvers: "010" is 10, as the fields
// show it.
std::optional<int> parseField(QStringView s)
{
    if (s.isEmpty() || s.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const QChar c : s) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > kMaxField)
        return std::nullopt;
    return value;
}

} // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent)
{
    // Looks like one edit box holding the four fields.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    const QRegularExpression digits(QStringLiteral("[0-9]{0,3}"));
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("ipField%1").arg(i));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(3);
        field->setValidator(new QRegularExpressionValidator(digits, field));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { onFieldEdited(i); });
        connect(field, &QLineEdit::textChanged, this, &IpAddressEdit::textChanged);
        m_fields[i] = field;
        layout->addWidget(field, 1);
        if (i < 3) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot);
        }
    }
    setFocusProxy(m_fields[0]);
    setFocusPolicy(Qt::StrongFocus);
}

QString IpAddressEdit::text() const
{
    if (isBlank())
        return {};
    QStringList parts;
    for (const QLineEdit* field : m_fields)
        parts.append(QString::number(field->text().toInt())); // blank reads as 0
    return parts.join(u'.');
}

bool IpAddressEdit::setText(const QString& text)
{
    const QList<QStringView> parts = QStringView(text).trimmed().split(u'.');
    std::array<int, 4> values{};
    bool valid = parts.size() == 4;
    for (int i = 0; valid && i < 4; ++i) {
        const std::optional<int> v = parseField(parts[i]);
        valid = v.has_value();
        if (valid)
            values[i] = *v;
    }
    for (int i = 0; i < 4; ++i)
        m_fields[i]->setText(valid ? QString::number(values[i]) : QString());
    return valid;
}

bool IpAddressEdit::isBlank() const
{
    for (const QLineEdit* field : m_fields) {
        if (!field->text().isEmpty())
            return false;
    }
    return true;
}

void IpAddressEdit::clear()
{
    for (QLineEdit* field : m_fields)
        field->clear();
}

QLineEdit* IpAddressEdit::field(int index) const
{
    return index >= 0 && index < 4 ? m_fields[index] : nullptr;
}

void IpAddressEdit::focusField(int index, bool cursorAtEnd)
{
    if (index < 0 || index >= 4)
        return;
    QLineEdit* field = m_fields[index];
    field->setFocus(Qt::OtherFocusReason);
    if (cursorAtEnd)
        field->end(false);
    else
        field->selectAll();
}

void IpAddressEdit::onFieldEdited(int index)
{
    QLineEdit* field = m_fields[index];
    if (field->text().toInt() > kMaxField) {
        // Clamped with a passing notice; a modal box here would interrupt typing.
        field->setText(QString::number(kMaxField));
        QToolTip::showText(
            field->mapToGlobal(QPoint(0, field->height())),
            QStringLiteral("%1 から %2 までの値を指定してください。").arg(0).arg(kMaxField), field);
    }
    if (field->text().size() == 3 && field->cursorPosition() == 3)
        focusField(index + 1, false);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto index =
            int(std::find(m_fields.begin(), m_fields.end(), watched) - m_fields.begin());
        if (index < 4) {
            QLineEdit* field = m_fields[index];
            const auto* key = static_cast<QKeyEvent*>(event);
            switch (key->key()) {
            case Qt::Key_Period:
            case Qt::Key_Space:
                // Like the Windows control: a dot after a number goes on to the next
                // field; a dot in an empty field is ignored.
                if (!field->text().isEmpty())
                    focusField(index + 1, false);
                return true;
            case Qt::Key_Backspace:
                if (field->text().isEmpty() && index > 0) {
                    focusField(index - 1, true);
                    return true;
                }
                break;
            case Qt::Key_Left:
                if (field->cursorPosition() == 0 && !field->hasSelectedText() && index > 0) {
                    focusField(index - 1, true);
                    return true;
                }
                break;
            case Qt::Key_Right:
                if (field->cursorPosition() == field->text().size() && !field->hasSelectedText() &&
                    index < 3) {
                    focusField(index + 1, false);
                    return true;
                }
                break;
            default:
                break;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace tolvane::ui
