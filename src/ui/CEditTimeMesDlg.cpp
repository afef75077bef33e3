#include "ui/CEditTimeMesDlg.h"

#include "ui/ControlTable.h"

#include <QLineEdit>
#include <QPushButton>

#include <limits>

namespace tolvane::ui {

namespace {

QList<ControlSpec> controlTable()
{
    using K = ControlKind;
    return {
        {kNoId, K::Static, QStringLiteral("※時刻の前後部分のみ編集可能です♪"),
         QRect(53, 10, 131, 8)},
        {kNoId, K::Static, QStringLiteral("先頭部分"), QRect(31, 24, 33, 8)},
        {kNoId, K::Static, QStringLiteral("末尾部分"), QRect(135, 24, 33, 8)},
        {CEditTimeMesDlg::IdHead, K::Edit, {}, QRect(31, 36, 61, 14)},
        {CEditTimeMesDlg::IdFixedPart, K::Edit, {}, QRect(94, 36, 40, 14), ReadOnly | AlignCenter},
        {CEditTimeMesDlg::IdTail, K::Edit, {}, QRect(135, 36, 77, 14)},
        {1, K::DefPushButton, QStringLiteral("OK"), QRect(65, 61, 50, 14)},
        {2, K::PushButton, QStringLiteral("キャンセル"), QRect(131, 61, 50, 14)},
    };
}

} // namespace

CEditTimeMesDlg::CEditTimeMesDlg(QString head, QString tail, Kind kind, QWidget* parent)
    : QDialog(parent), m_kind(kind)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const QHash<int, QWidget*> c = buildDialog(this, QStringLiteral("時報メッセージ編集ダイアログ"),
                                               QSize(246, 82), controlTable());

    m_head = qobject_cast<QLineEdit*>(c.value(IdHead));
    m_tail = qobject_cast<QLineEdit*>(c.value(IdTail));
    // The texts have no length limit of their own: a long text from the settings
    // file must come back whole.
    m_head->setMaxLength(std::numeric_limits<int>::max());
    m_tail->setMaxLength(std::numeric_limits<int>::max());
    m_head->setText(head);
    m_tail->setText(tail);
    qobject_cast<QLineEdit*>(c.value(IdFixedPart))
        ->setText(kind == Kind::Hourly ? QStringLiteral("xx時") : QStringLiteral("xx時30分"));

    connect(qobject_cast<QPushButton*>(c.value(1)), &QPushButton::clicked, this, &QDialog::accept);
    connect(qobject_cast<QPushButton*>(c.value(2)), &QPushButton::clicked, this, &QDialog::reject);
}

QString CEditTimeMesDlg::head() const
{
    return m_head->text();
}

QString CEditTimeMesDlg::tail() const
{
    return m_tail->text();
}

} // namespace tolvane::ui
