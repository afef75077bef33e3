#include "ui/CheckBoxAccessible.h"

#include <QCheckBox>

namespace tolvane::ui {

namespace {
QAccessibleInterface* checkBoxFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QCheckBox") && object && object->isWidgetType())
        return new CheckBoxAccessible(static_cast<QCheckBox*>(object));
    return nullptr;
}

// The caption as read aloud: mnemonic markers dropped, "&&" read as "&".
QString withoutMnemonic(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}
} // namespace

CheckBoxAccessible::CheckBoxAccessible(QCheckBox* box)
    : QAccessibleWidget(box, QAccessible::CheckBox)
{}

void CheckBoxAccessible::install()
{
    static const bool installed = (QAccessible::installFactory(checkBoxFactory), true);
    Q_UNUSED(installed);
}

QCheckBox* CheckBoxAccessible::checkBox() const
{
    return static_cast<QCheckBox*>(widget());
}

QString CheckBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return withoutMnemonic(checkBox()->text());
    return QAccessibleWidget::text(t);
}

QAccessible::State CheckBoxAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = checkBox()->checkState() == Qt::Checked;
    s.checkStateMixed = checkBox()->checkState() == Qt::PartiallyChecked;
    return s;
}

QStringList CheckBoxAccessible::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << toggleAction();
    return names + QAccessibleWidget::actionNames();
}

void CheckBoxAccessible::doAction(const QString& actionName)
{
    if (actionName == toggleAction() || actionName == pressAction()) {
        if (widget()->isEnabled())
            checkBox()->click();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

} // namespace tolvane::ui
