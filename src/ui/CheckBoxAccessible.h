#pragma once

#include <QAccessibleWidget>

class QCheckBox;

namespace tolvane::ui {

// What assistive tools see of a check box. Qt's own interface toggles the box for
// the Toggle action without a click, so handlers that follow clicks (a switch that
// is saved or sent when the operator changes it) would not run; here Toggle clicks.
class CheckBoxAccessible : public QAccessibleWidget
{
public:
    explicit CheckBoxAccessible(QCheckBox* box);

    // Makes every check box of the program answer with this interface; once is enough.
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QCheckBox* checkBox() const;
};

} // namespace tolvane::ui
