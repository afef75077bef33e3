#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace tolvane::ui {

// The time-signal message editor (dialog 137): the leading and trailing text of
// the hourly or the half-hourly signal around its fixed time part. The caller
// reads head() and tail() back after OK.
class CEditTimeMesDlg : public QDialog
{
    Q_OBJECT
public:
    enum class Kind { Hourly, HalfHourly };
    enum ControlId {
        IdHead = 1094,
        IdFixedPart = 1038,
        IdTail = 1039,
    };

    CEditTimeMesDlg(QString head, QString tail, Kind kind, QWidget* parent = nullptr);

    QString head() const;
    QString tail() const;
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
    QLineEdit* m_head = nullptr;
    QLineEdit* m_tail = nullptr;
};

} // namespace tolvane::ui
