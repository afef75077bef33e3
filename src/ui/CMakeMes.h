#pragma once

#include "console/MessageListService.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tolvane::ui {

// The message-list editor (dialog 130): a title and lines of at most 36 characters
// that are added, moved and deleted; OK saves the list through the list service.
// A preset title opens the list of that name for editing.
class CMakeMes : public QDialog
{
    Q_OBJECT
public:
    enum ControlId {
        IdAdd = 1022,
        IdDelete = 1023,
        IdReplace = 1024,
        IdUp = 1025,
        IdDown = 1026,
        IdLines = 1027,
        IdTitle = 1028,
        IdMessageLabel = 1029,
        IdMessage = 1030,
        IdTitleLabel = 1031,
    };
    static constexpr int kMaxTitleChars = 20;
    static constexpr int kMaxLineChars = 36;

    // `lists` outlives the dialog.
    explicit CMakeMes(console::MessageListService& lists, QString presetTitle = {},
                      QWidget* parent = nullptr);

    QString title() const;
    QStringList lines() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onAdd();
    void onDelete();
    void onMoveUp();
    void onMoveDown();
    void onLineDoubleClicked(int row);
    void onOk();
    void updateMoveButtons();
    int selectedRow() const;
    void selectRow(int row);
    void refuseWrite(const platform::FileError& error, const QString& title);

    console::MessageListService& m_lists;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_message = nullptr;
    QListWidget* m_lines = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QPushButton* m_replace = nullptr;
    bool m_quiet = false; // programmatic list changes do not count as selection changes
};

} // namespace tolvane::ui
