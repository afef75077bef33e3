#include "ui/CMakeMes.h"

#include "ui/ControlTable.h"
#include "ui/MessageBoxSeam.h"
#include "ui/TextLimit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <limits>
#include <memory>

namespace tolvane::ui {

namespace {

const QString kCaptionNoMessage = QStringLiteral("メッセージがありませんよ・・・（；´ー｀）");
const QString kCaptionTooLong = QStringLiteral("メッセージ長すぎ～・・・（；´ー｀）");
const QString kCaptionCannotSave = QStringLiteral("保存できません・・・");

QList<ControlSpec> controlTable()
{
    using K = ControlKind;
    return {
        {CMakeMes::IdTitleLabel, K::Edit, {}, QRect(41, 7, 88, 14), ReadOnly | AlignRight},
        {CMakeMes::IdTitle, K::Edit, {}, QRect(131, 7, 96, 14)},
        {CMakeMes::IdLines, K::ListBox, {}, QRect(43, 29, 184, 90)},
        {CMakeMes::IdUp, K::PushButton, QStringLiteral("↑"), QRect(13, 39, 21, 28)},
        {CMakeMes::IdDown, K::PushButton, QStringLiteral("↓"), QRect(13, 75, 21, 28)},
        {CMakeMes::IdDelete, K::PushButton, QStringLiteral("削除"), QRect(233, 101, 50, 14)},
        {CMakeMes::IdReplace, K::PushButton, QStringLiteral("置換"), QRect(233, 118, 50, 14),
         Disabled},
        {CMakeMes::IdMessageLabel, K::Edit, {}, QRect(40, 121, 40, 14), ReadOnly},
        {CMakeMes::IdMessage, K::Edit, {}, QRect(40, 136, 184, 14)},
        {CMakeMes::IdAdd, K::PushButton, QStringLiteral("追加"), QRect(233, 136, 50, 14)},
        {1, K::DefPushButton, QStringLiteral("OK"), QRect(81, 162, 50, 14)},
        {2, K::PushButton, QStringLiteral("キャンセル"), QRect(161, 162, 50, 14)},
    };
}

bool hasLineBreak(const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return true;
    }
    return false;
}

} // namespace

CMakeMes::CMakeMes(console::MessageListService& lists, QString presetTitle, QWidget* parent)
    : QDialog(parent), m_lists(lists)
{
    const QHash<int, QWidget*> c = buildDialog(
        this, QStringLiteral("メッセージリスト作成ダイアログ♪"), QSize(290, 183), controlTable());

    m_title = qobject_cast<QLineEdit*>(c.value(IdTitle));
    m_message = qobject_cast<QLineEdit*>(c.value(IdMessage));
    m_lines = qobject_cast<QListWidget*>(c.value(IdLines));
    m_up = qobject_cast<QPushButton*>(c.value(IdUp));
    m_down = qobject_cast<QPushButton*>(c.value(IdDown));
    m_replace = qobject_cast<QPushButton*>(c.value(IdReplace));

    // A line read from a file may be longer than anything the operator may add;
    // double-click must copy it whole.
    m_message->setMaxLength(std::numeric_limits<int>::max());

    // Edit mode: the title names an existing list. A file that cannot be read
    // leaves the list empty; the title stays so the list can be written anew.
    if (!presetTitle.isEmpty()) {
        if (const auto lines = m_lists.read(presetTitle))
            m_lines->addItems(*lines);
    }
    m_title->setText(presetTitle);
    setTypingLimit(m_title, kMaxTitleChars);

    m_up->setEnabled(false);
    m_down->setEnabled(false);
    m_replace->setEnabled(false);
    qobject_cast<QLineEdit*>(c.value(IdTitleLabel))
        ->setText(QStringLiteral("メッセージリストのタイトル："));
    qobject_cast<QLineEdit*>(c.value(IdMessageLabel))->setText(QStringLiteral("メッセージ"));

    connect(qobject_cast<QPushButton*>(c.value(IdAdd)), &QPushButton::clicked, this,
            &CMakeMes::onAdd);
    connect(qobject_cast<QPushButton*>(c.value(IdDelete)), &QPushButton::clicked, this,
            &CMakeMes::onDelete);
    connect(m_up, &QPushButton::clicked, this, &CMakeMes::onMoveUp);
    connect(m_down, &QPushButton::clicked, this, &CMakeMes::onMoveDown);
    connect(qobject_cast<QPushButton*>(c.value(1)), &QPushButton::clicked, this, &CMakeMes::onOk);
    connect(qobject_cast<QPushButton*>(c.value(2)), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_lines, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_quiet)
            updateMoveButtons();
    });
    connect(m_lines, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { onLineDoubleClicked(m_lines->row(item)); });

    // Enter adds a line and Escape does nothing, whichever control has the focus:
    // the keys are taken before any control or the default button sees them.
    installEventFilter(this);
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* w : children)
        w->installEventFilter(this);
}

QString CMakeMes::title() const
{
    return m_title->text();
}

QStringList CMakeMes::lines() const
{
    QStringList result;
    result.reserve(m_lines->count());
    for (int i = 0; i < m_lines->count(); ++i)
        result.append(m_lines->item(i)->text());
    return result;
}

bool CMakeMes::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            onAdd();
            return true;
        }
        if (key == Qt::Key_Escape)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

int CMakeMes::selectedRow() const
{
    const QList<QListWidgetItem*> selected = m_lines->selectedItems();
    return selected.isEmpty() ? -1 : m_lines->row(selected.first());
}

void CMakeMes::selectRow(int row)
{
    if (row < 0 || row >= m_lines->count())
        m_lines->selectionModel()->clear();
    else
        m_lines->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void CMakeMes::updateMoveButtons()
{
    const int row = selectedRow();
    if (row >= 0) {
        m_down->setEnabled(row < m_lines->count() - 1);
        m_up->setEnabled(row > 0);
    }
    m_replace->setEnabled(false);
}

void CMakeMes::onAdd()
{
    const QString message = m_message->text();
    if (message.isEmpty()) {
        ShowMessageBox(this, QStringLiteral("挿入するメッセージを入力して下さい"),
                       kCaptionNoMessage);
    } else if (message.size() > kMaxLineChars) {
        ShowMessageBox(this, QStringLiteral("挿入するメッセージを長すぎます（３６桁以内）"),
                       kCaptionTooLong);
    } else if (hasLineBreak(message)) {
        // A pasted line break would split the line in the file and break its count.
        ShowMessageBox(this, QStringLiteral("メッセージに改行は入れられません・・（；；"),
                       QStringLiteral("追加できません・・・"));
    } else {
        m_quiet = true;
        const int row = selectedRow();
        if (row < 0)
            m_lines->addItem(message);
        else
            m_lines->insertItem(row, message);
        m_quiet = false;
    }
    updateMoveButtons();
}

void CMakeMes::onDelete()
{
    const int row = selectedRow();
    if (row < 0) {
        ShowMessageBox(this, QStringLiteral("メッセージが選択されてませんよ！（；´ー｀）"),
                       QStringLiteral("削除できません・・・"));
        return;
    }
    m_quiet = true;
    std::unique_ptr<QListWidgetItem> removed(m_lines->takeItem(row));
    selectRow(row); // the line now at its place; none after the last
    m_quiet = false;
    updateMoveButtons();
}

void CMakeMes::onMoveUp()
{
    const int row = selectedRow();
    if (row <= 0)
        return;
    QListWidgetItem* above = m_lines->item(row - 1);
    QListWidgetItem* here = m_lines->item(row);
    const QString text = above->text();
    above->setText(here->text());
    here->setText(text);
    m_quiet = true;
    selectRow(row - 1);
    m_quiet = false;
    updateMoveButtons();
}

void CMakeMes::onMoveDown()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_lines->count() - 1)
        return;
    QListWidgetItem* below = m_lines->item(row + 1);
    QListWidgetItem* here = m_lines->item(row);
    const QString text = below->text();
    below->setText(here->text());
    here->setText(text);
    m_quiet = true;
    selectRow(row + 1);
    m_quiet = false;
    updateMoveButtons();
}

void CMakeMes::onLineDoubleClicked(int row)
{
    if (const QListWidgetItem* item = m_lines->item(row))
        m_message->setText(item->text());
}

void CMakeMes::onOk()
{
    const QString listTitle = m_title->text();
    if (listTitle.size() > kMaxTitleChars) {
        ShowMessageBox(this, QStringLiteral("%1 文字以内で入力してください。").arg(kMaxTitleChars),
                       {}, QMessageBox::Ok, MsgIcon::Warning);
        m_title->setFocus();
        m_title->selectAll();
        return;
    }
    if (!m_lists.ensureDirectory())
        ShowMessageBox(this, QStringLiteral("データディレクトリにアクセスできません・・（；；"));
    if (m_lines->count() == 0) {
        ShowMessageBox(this, QStringLiteral("データがありません・・（；；"));
        return;
    }
    if (listTitle.isEmpty()) {
        ShowMessageBox(this, QStringLiteral("タイトルを入力して下さい！"));
        return;
    }
    const platform::Result<void> result = m_lists.save(listTitle, lines());
    if (!result) {
        refuseWrite(result.error(), listTitle);
        return;
    }
    accept();
}

void CMakeMes::refuseWrite(const platform::FileError& error, const QString& listTitle)
{
    // User text only ever goes in as an argument, never as the format.
    QString text;
    switch (error.kind) {
    case platform::FileError::Kind::Unrepresentable: {
        const QString& bad = error.unrepresentable;
        text =
            bad.isEmpty()
                ? QStringLiteral(
                      "「%1」はメッセージリストに保存できない文字を含んでいます・・（；；")
                      .arg(error.offendingText)
                : QStringLiteral("「%1」はメッセージリストに保存できない文字（%2）を含んでいます・"
                                 "・（；；")
                      .arg(error.offendingText, bad);
        break;
    }
    case platform::FileError::Kind::InvalidName:
        text = QStringLiteral("「%1」はメッセージリストのタイトルに使えません・・（；；\r"
                              "別のタイトルを入力して下さい")
                   .arg(listTitle);
        break;
    case platform::FileError::Kind::Missing:
    case platform::FileError::Kind::Unreadable:
    case platform::FileError::Kind::WriteFailed:
        text = QStringLiteral("メッセージリスト「%1」を書き込めませんでした・・（；；\r"
                              "データディレクトリを確認して下さい")
                   .arg(listTitle);
        break;
    }
    ShowMessageBox(this, text, kCaptionCannotSave);
}

} // namespace tolvane::ui
