#include "ui/CTimeSignalDlg.h"

#include "settings/SettingsKeys.h"
#include "ui/CEditTimeMesDlg.h"
#include "ui/CMakeMes.h"
#include "ui/ControlTable.h"
#include "ui/DialogRunner.h"
#include "ui/MessageBoxSeam.h"
#include "ui/UpDownControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

namespace tolvane::ui {

namespace {

enum Column { TimeColumn = 0, ListColumn = 1 };

QList<ControlSpec> controlTable()
{
    using K = ControlKind;
    using D = CTimeSignalDlg;
    return {
        {kNoId, K::GroupBox, QStringLiteral("定時"), QRect(7, 14, 302, 25)},
        {D::IdHourly, K::CheckBox, QStringLiteral("毎時"), QRect(43, 25, 28, 10)},
        {D::IdEditHourly, K::PushButton, QStringLiteral("編集"), QRect(74, 22, 30, 14)},
        {D::IdHalfHourly, K::CheckBox, QStringLiteral("３０分毎"), QRect(139, 24, 38, 10)},
        {D::IdEditHalfHourly, K::PushButton, QStringLiteral("編集"), QRect(181, 21, 30, 14)},
        {kNoId, K::GroupBox, QStringLiteral("カスタム"), QRect(7, 46, 302, 113)},
        {D::IdSchedule, K::ListView, {}, QRect(15, 61, 162, 88), MultiSelect},
        // Says how many lines of the file the list cannot show; shown only then.
        {kNoId, K::Custom, {}, QRect(15, 150, 162, 8), Hidden},
        {D::IdHourEdit, K::Edit, {}, QRect(181, 61, 27, 14), ReadOnly | DigitsOnly},
        {D::IdHourUpDown, K::UpDown, {}, QRect(198, 61, 10, 14)},
        {kNoId, K::Static, QStringLiteral("時"), QRect(209, 64, 9, 8)},
        {D::IdMinuteEdit, K::Edit, {}, QRect(220, 61, 27, 14), ReadOnly | DigitsOnly},
        {D::IdMinuteUpDown, K::UpDown, {}, QRect(237, 61, 10, 14)},
        {kNoId, K::Static, QStringLiteral("分"), QRect(249, 64, 9, 8)},
        {D::IdSecondEdit, K::Edit, {}, QRect(260, 61, 27, 14), ReadOnly | DigitsOnly},
        {D::IdSecondUpDown, K::UpDown, {}, QRect(277, 61, 10, 14)},
        {kNoId, K::Static, QStringLiteral("秒"), QRect(290, 64, 9, 8)},
        {D::IdLists, K::DropDownList, {}, QRect(182, 81, 98, 16), Sorted},
        {D::IdNewList, K::PushButton, QStringLiteral("＋"), QRect(283, 80, 16, 14)},
        {D::IdAdd, K::PushButton, QStringLiteral("追加"), QRect(187, 134, 30, 14)},
        {D::IdChange, K::PushButton, QStringLiteral("変更"), QRect(227, 134, 30, 14), Hidden},
        {D::IdDelete, K::PushButton, QStringLiteral("削除"), QRect(269, 134, 30, 14)},
        {D::IdClose, K::DefPushButton, QStringLiteral("閉じる"), QRect(148, 162, 50, 14)},
    };
}

// An attached up-down sits inside the right edge of its edit, which gives up that room.
void attach(UpDownControl* upDown, QLineEdit* edit, int lower, int upper, int pos)
{
    QRect r = edit->geometry();
    r.setRight(upDown->geometry().left() - 1);
    edit->setGeometry(r);
    edit->setMaxLength(2);
    upDown->setRange(lower, upper);
    upDown->setBuddy(edit);
    upDown->setPos(pos);
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The order of a sorted combo box: letter case ignored, exact order between equals.
bool listNameLess(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

} // namespace

CTimeSignalDlg::CTimeSignalDlg(console::ScheduleService& schedule,
                               console::MessageListService& lists, std::function<QTime()> clock,
                               QWidget* parent)
    : QDialog(parent), m_scheduleService(schedule), m_listService(lists)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const QHash<int, QWidget*> c =
        buildDialog(this, QStringLiteral("時報設定ダイアログ"), QSize(316, 183), controlTable(),
                    [this](const ControlSpec&, QWidget* parent) -> QWidget* {
                        m_keptNote = new QLabel(parent);
                        m_keptNote->setObjectName(kKeptNoteName);
                        m_keptNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                        return m_keptNote;
                    });

    m_schedule = qobject_cast<QTreeWidget*>(c.value(IdSchedule));
    m_lists = qobject_cast<QComboBox*>(c.value(IdLists));
    m_hourly = qobject_cast<QCheckBox*>(c.value(IdHourly));
    m_halfHourly = qobject_cast<QCheckBox*>(c.value(IdHalfHourly));
    m_hour = qobject_cast<UpDownControl*>(c.value(IdHourUpDown));
    m_minute = qobject_cast<UpDownControl*>(c.value(IdMinuteUpDown));
    m_second = qobject_cast<UpDownControl*>(c.value(IdSecondUpDown));
    m_add = qobject_cast<QPushButton*>(c.value(IdAdd));

    RefreshListNames();

    // The clock is read once; every field shows that one reading.
    const QTime now = clock ? clock() : QTime::currentTime();

    // What the scheduler uses.
    m_texts = m_scheduleService.texts();
    m_hourly->setChecked(m_texts.hourlyEnabled());
    m_halfHourly->setChecked(m_texts.halfHourlyEnabled());

    attach(m_hour, qobject_cast<QLineEdit*>(c.value(IdHourEdit)), 0, 23, now.hour());
    attach(m_minute, qobject_cast<QLineEdit*>(c.value(IdMinuteEdit)), 0, 59, now.minute());
    attach(m_second, qobject_cast<QLineEdit*>(c.value(IdSecondEdit)), 0, 59, now.second());

    m_schedule->setColumnCount(2);
    m_schedule->setHeaderLabels({QStringLiteral("時刻"), QStringLiteral("メッセージリスト")});
    m_schedule->header()->resizeSection(TimeColumn, 80);
    m_schedule->header()->resizeSection(ListColumn, 180);

    // The rows are the entries the scheduler works on: the well-formed lines among
    // the first 500 of the file. The other lines cannot be edited here; they are
    // kept and written back unchanged by "閉じる", and the note says so.
    const timesignal::EditableSchedule editable = m_scheduleService.editable();
    for (const timesignal::TimeSignalRow& row : editable.rows)
        addRow(row.displayTime, row.enabled, row.listName);
    m_kept = editable.kept;
    showKeptLines();
    updateAddButton();

    connect(m_hourly, &QCheckBox::clicked, this, &CTimeSignalDlg::onHourlyClicked);
    connect(m_halfHourly, &QCheckBox::clicked, this, &CTimeSignalDlg::onHalfHourlyClicked);
    connect(qobject_cast<QPushButton*>(c.value(IdEditHourly)), &QPushButton::clicked, this,
            &CTimeSignalDlg::onEditHourly);
    connect(qobject_cast<QPushButton*>(c.value(IdEditHalfHourly)), &QPushButton::clicked, this,
            &CTimeSignalDlg::onEditHalfHourly);
    connect(qobject_cast<QPushButton*>(c.value(IdNewList)), &QPushButton::clicked, this,
            &CTimeSignalDlg::onNewList);
    connect(m_add, &QPushButton::clicked, this, &CTimeSignalDlg::onAdd);
    connect(qobject_cast<QPushButton*>(c.value(IdDelete)), &QPushButton::clicked, this,
            &CTimeSignalDlg::onDelete);
    connect(qobject_cast<QPushButton*>(c.value(IdClose)), &QPushButton::clicked, this,
            &CTimeSignalDlg::onClose);
    // "変更" stays hidden and does nothing.
}

QList<timesignal::TimeSignalRow> CTimeSignalDlg::rows() const
{
    QList<timesignal::TimeSignalRow> result;
    result.reserve(m_schedule->topLevelItemCount());
    for (int i = 0; i < m_schedule->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_schedule->topLevelItem(i);
        result.append({item->text(TimeColumn), item->checkState(TimeColumn) == Qt::Checked,
                       item->text(ListColumn)});
    }
    return result;
}

void CTimeSignalDlg::onHourlyClicked(bool checked)
{
    m_texts.hourlyOn = checked ? settings::keys::kSwitchOn : QString();
}

void CTimeSignalDlg::onHalfHourlyClicked(bool checked)
{
    m_texts.halfHourlyOn = checked ? settings::keys::kSwitchOn : QString();
}

void CTimeSignalDlg::onEditHourly()
{
    CEditTimeMesDlg editor(m_texts.hourlyHead, m_texts.hourlyTail, CEditTimeMesDlg::Kind::Hourly,
                           this);
    if (runDialog(editor) != QDialog::Accepted)
        return;
    m_texts.hourlyHead = editor.head();
    m_texts.hourlyTail = editor.tail();
    // Saved at once; a failed write is not reported, the file keeps the old texts.
    (void)m_scheduleService.saveHourlyTexts(m_texts.hourlyHead, m_texts.hourlyTail);
}

void CTimeSignalDlg::onEditHalfHourly()
{
    CEditTimeMesDlg editor(m_texts.halfHourlyHead, m_texts.halfHourlyTail,
                           CEditTimeMesDlg::Kind::HalfHourly, this);
    if (runDialog(editor) != QDialog::Accepted)
        return;
    m_texts.halfHourlyHead = editor.head();
    m_texts.halfHourlyTail = editor.tail();
    (void)m_scheduleService.saveHalfHourlyTexts(m_texts.halfHourlyHead, m_texts.halfHourlyTail);
}

void CTimeSignalDlg::onNewList()
{
    CMakeMes editor(m_listService, QString(), this);
    if (runDialog(editor) == QDialog::Accepted)
        RefreshListNames();
}

void CTimeSignalDlg::onAdd()
{
    if (m_lists->currentIndex() < 0) {
        ShowMessageBox(this, QStringLiteral("メッセージリストを選択して下さいね！"),
                       QStringLiteral("（；´ー｀）"), QMessageBox::Ok, MsgIcon::Question);
        return;
    }
    const QString listName = m_lists->currentText();
    const int hour = m_hour->pos();
    const int minute = m_minute->pos();
    const int second = m_second->pos();

    // The list name is only ever joined in, never read as a format.
    const QString question = QStringLiteral("時刻：") + QString::number(hour) +
                             QStringLiteral("時") + QString::number(minute) + QStringLiteral("分") +
                             QString::number(second) + QStringLiteral("秒にメッセージリスト") +
                             listName + QStringLiteral("を放送しますか？");
    // Only an OK button: the entry is added however the box is closed, unless its list
    // went while the box was open.
    ShowMessageBox(this, question, QStringLiteral("(^^)"), QMessageBox::Ok);
    // Listed afresh: the news of a list gone on disk may still be on its way.
    m_listService.rescan();
    if (!m_listService.names().contains(listName)) {
        RefreshListNames();
        ShowMessageBox(this,
                       QStringLiteral("メッセージリスト「") + listName +
                           QStringLiteral("」はもうありません・・（；；"),
                       QStringLiteral("（；´ー｀）"), QMessageBox::Ok, MsgIcon::Question);
        return;
    }

    addRow(twoDigits(hour) + u':' + twoDigits(minute) + u':' + twoDigits(second), true, listName);
    sortRows();
    updateAddButton();
}

void CTimeSignalDlg::onDelete()
{
    int highest = -1;
    const QList<QTreeWidgetItem*> selected = m_schedule->selectedItems();
    for (QTreeWidgetItem* item : selected)
        highest = qMax(highest, m_schedule->indexOfTopLevelItem(item));
    if (highest < 0) {
        ShowMessageBox(this, QStringLiteral("選択しないと削除できませんねー・・・"),
                       QStringLiteral("（＾＾；"), QMessageBox::Ok, MsgIcon::Question);
        return;
    }
    // With several rows selected only the last of them goes.
    delete m_schedule->takeTopLevelItem(highest);
    // A deletion from a full list makes room for one more entry.
    updateAddButton();
}

void CTimeSignalDlg::onClose()
{
    if (m_schedule->topLevelItemCount() == 0) {
        // The file is left as it is; its entries come back when it is next read.
        ShowMessageBox(this,
                       QStringLiteral("データがありません・・（；；\r定時データのみ更新します"));
    } else {
        const platform::Result<void> result = m_scheduleService.saveSchedule(rows(), m_kept);
        if (!result.ok()) {
            // Nothing is written and the dialog stays open, so the operator loses
            // no entry and can remove the one the file cannot hold.
            reportWriteFailure(result.error());
            return;
        }
    }
    (void)m_scheduleService.saveSwitches(m_texts.hourlyOn, m_texts.halfHourlyOn);
    accept();
}

void CTimeSignalDlg::reportWriteFailure(const platform::FileError& error)
{
    QString text;
    if (error.kind == platform::FileError::Kind::Unrepresentable) {
        const QString& bad = error.unrepresentable;
        text = QStringLiteral("時報設定ファイルを保存できませんでした・・（；；\r"
                              "メッセージリスト「%1」の名前に保存できない文字（%2）があります")
                   .arg(error.offendingText, bad.isEmpty() ? QStringLiteral("改行") : bad);
    } else {
        text = QStringLiteral("時報設定ファイルを保存できませんでした・・（；；\r"
                              "データディレクトリを確認して下さい");
    }
    ShowMessageBox(this, text, QStringLiteral("保存できません・・・"), QMessageBox::Ok,
                   MsgIcon::Warning);
}

void CTimeSignalDlg::showKeptLines()
{
    const int n = m_kept.lineCount();
    if (n == 0)
        return;
    // Told without a box: opening the dialog asks nothing of the operator.
    m_keptNote->setText(QStringLiteral("表示できない %1 行はそのまま残します").arg(n));
    m_keptNote->setToolTip(
        QStringLiteral("時報設定ファイルの読めない行と 500 件より後の行です。"
                       "時報には使われず、「閉じる」でもそのまま書き戻します。"));
    m_keptNote->setVisible(true);
}

void CTimeSignalDlg::RefreshListNames()
{
    QStringList names = m_listService.names();
    std::sort(names.begin(), names.end(), listNameLess);
    m_lists->clear();
    m_lists->addItems(names);
    m_lists->setCurrentIndex(-1);
}

void CTimeSignalDlg::addRow(const QString& displayTime, bool enabled, const QString& listName)
{
    auto* item = new QTreeWidgetItem(m_schedule, {displayTime, listName});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(TimeColumn, enabled ? Qt::Checked : Qt::Unchecked);
}

void CTimeSignalDlg::sortRows()
{
    // Ascending by the time text, comparing UTF-16 code units; rows with equal times
    // keep their order. Selection and check marks travel with their rows.
    QList<QTreeWidgetItem*> items;
    QList<QTreeWidgetItem*> selected = m_schedule->selectedItems();
    QTreeWidgetItem* current = m_schedule->currentItem();
    while (m_schedule->topLevelItemCount() > 0)
        items.append(m_schedule->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return a->text(TimeColumn) < b->text(TimeColumn);
    });
    m_schedule->addTopLevelItems(items);
    if (current)
        m_schedule->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
}

void CTimeSignalDlg::updateAddButton()
{
    m_add->setEnabled(m_schedule->topLevelItemCount() < kMaxRows);
}

} // namespace tolvane::ui
