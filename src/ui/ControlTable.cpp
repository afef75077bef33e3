#include "ui/ControlTable.h"

#include "protocol/BroadcastRequest.h"
#include "ui/CheckBoxAccessible.h"
#include "ui/CutLineDelegate.h"
#include "ui/DialogStyle.h"
#include "ui/LiveMessageEdit.h"
#include "ui/UpDownControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

namespace tolvane::ui {

static QPointF baseUnits(const QFont& font)
{
    // The average width of the Latin letters, as the dialog manager measures it; a CJK
    // font's own average width counts its full-width glyphs and would double the layout.
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetricsF fm(font);
    // Likewise the character height: CJK fonts carry a tall line spacing that the
    // dialog manager's fonts do not; the em size with a little leading matches them.
    const qreal height = qMin(fm.height(), QFontInfo(font).pixelSize() * 1.25);
    return {fm.horizontalAdvance(letters) / letters.size() / 4.0, height / 8.0};
}

QRect dialogUnitsToPixels(const QRect& du, const QFont& font)
{
    const QPointF b = baseUnits(font);
    return QRect(qRound(du.x() * b.x()), qRound(du.y() * b.y()), qRound(du.width() * b.x()),
                 qRound(du.height() * b.y()));
}

QSize dialogUnitsToPixels(const QSize& du, const QFont& font)
{
    const QPointF b = baseUnits(font);
    return QSize(qRound(du.width() * b.x()), qRound(du.height() * b.y()));
}

QFont dialogFont()
{
    // Prefer a font that has the Japanese glyphs; fall back to the system's.
    static const QStringList preferred = {
        QStringLiteral("Yu Gothic UI"), QStringLiteral("Meiryo UI"),
        QStringLiteral("MS UI Gothic"), QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("Noto Sans JP"), QStringLiteral("IPAGothic"),
        QStringLiteral("VL Gothic")};
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    for (const QString& name : preferred) {
        if (families.contains(name)) {
            font.setFamily(name);
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

static Qt::Alignment textAlignment(unsigned flags)
{
    Qt::Alignment a = Qt::AlignVCenter;
    if (flags & AlignRight)
        a |= Qt::AlignRight;
    else if (flags & AlignCenter)
        a |= Qt::AlignHCenter;
    else
        a |= Qt::AlignLeft;
    return a;
}

static QWidget* makeWidget(const ControlSpec& s, QWidget* parent, const CustomFactory& custom)
{
    switch (s.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* b = new QPushButton(s.text, parent);
        b->setAutoDefault(false);
        b->setDefault(s.kind == ControlKind::DefPushButton);
        return b;
    }
    case ControlKind::CheckBox: {
        auto* c = new QCheckBox(s.text, parent);
        c->setStyle(DialogStyle::instance());
        return c;
    }
    case ControlKind::Edit: {
        auto* e = new QLineEdit(s.text, parent);
        e->setReadOnly(s.flags & ReadOnly);
        e->setAlignment(textAlignment(s.flags));
        if (s.flags & DigitsOnly)
            e->setValidator(new QIntValidator(0, 99, e));
        return e;
    }
    case ControlKind::LiveMessageEdit: {
        auto* e = new LiveMessageEdit(protocol::kLiveCap, parent);
        e->setText(s.text);
        return e;
    }
    case ControlKind::Static: {
        auto* l = new QLabel(s.text, parent);
        l->setAlignment(s.flags & AlignCenter ? Qt::AlignCenter
                                              : textAlignment(s.flags) | Qt::AlignTop);
        if (s.flags & Sunken)
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return l;
    }
    case ControlKind::GroupBox: {
        auto* g = new QGroupBox(s.text, parent);
        g->setStyle(DialogStyle::instance());
        return g;
    }
    case ControlKind::DropDownList: {
        auto* c = new QComboBox(parent);
        c->setEditable(false);
        c->setMaxVisibleItems(12);
        return c;
    }
    case ControlKind::ListBox: {
        auto* l = new QListWidget(parent);
        l->setSortingEnabled(s.flags & Sorted);
        l->setSelectionMode(s.flags & MultiSelect ? QAbstractItemView::ExtendedSelection
                                                  : QAbstractItemView::SingleSelection);
        l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        if (s.flags & ShowsLineCut)
            l->setItemDelegate(new CutLineDelegate(protocol::kLineCap, l));
        return l;
    }
    case ControlKind::ListView: {
        auto* t = new QTreeWidget(parent);
        t->setRootIsDecorated(false);
        t->setUniformRowHeights(true);
        t->setSelectionMode(s.flags & MultiSelect ? QAbstractItemView::ExtendedSelection
                                                  : QAbstractItemView::SingleSelection);
        t->header()->setStretchLastSection(false);
        return t;
    }
    case ControlKind::UpDown:
        return new UpDownControl(parent);
    case ControlKind::Custom:
        return custom ? custom(s, parent) : nullptr;
    }
    return nullptr;
}

namespace {
// Shrinks the font of a caption that does not fit its control, down to three
// quarters of the dialog font, each time the dialog is shown: the layout's widths
// were made for a narrower Japanese font, and a caption is better small than cut.
class CaptionFitter : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent())
            fitAll(static_cast<QWidget*>(watched));
        return false;
    }

private:
    static void fit(QWidget* w, const QString& text, int available)
    {
        QFont f = w->parentWidget()->font();
        const qreal base = f.pointSizeF();
        if (text.isEmpty() || base <= 0)
            return;
        while (QFontMetrics(f).horizontalAdvance(text) > available && f.pointSizeF() > base * 0.75)
            f.setPointSizeF(f.pointSizeF() - 0.5);
        w->setFont(f);
    }

    static void fitAll(QWidget* dialog)
    {
        for (QWidget* w : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (auto* label = qobject_cast<QLabel*>(w)) {
                if (label->pixmap().isNull())
                    fit(w, label->text(), label->contentsRect().width());
            } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                if (edit->isReadOnly())
                    fit(w, edit->text(), edit->width() - 8);
            } else if (auto* button = qobject_cast<QPushButton*>(w)) {
                fit(w, button->text(), button->width() - 6);
            }
        }
    }
};
} // namespace

QHash<int, QWidget*> buildControls(QWidget* parent, const QList<ControlSpec>& specs,
                                   const CustomFactory& custom)
{
    parent->installEventFilter(new CaptionFitter(parent));
    // Before any check box exists: Qt keeps the first interface made for an object.
    CheckBoxAccessible::install();
    QHash<int, QWidget*> byId;
    const QFont font = parent->font();
    QList<QWidget*> groups;
    QWidget* previous = nullptr;
    for (const ControlSpec& s : specs) {
        QWidget* w = makeWidget(s, parent, custom);
        if (!w)
            continue;
        if (auto* upDown = qobject_cast<UpDownControl*>(w); upDown && (s.flags & AutoBuddy))
            upDown->setBuddy(previous);
        previous = w;
        QRect r = dialogUnitsToPixels(s.rect, font);
        // A drop-down list's rectangle includes its open list; closed, it is one line.
        if (s.kind == ControlKind::DropDownList)
            r.setHeight(w->sizeHint().height());
        // A check box's caption is never cut: the box grows to the right as needed.
        if (s.kind == ControlKind::CheckBox)
            r.setWidth(qMax(r.width(), w->sizeHint().width()));
        w->setGeometry(r);
        if (s.id != kNoId) {
            w->setProperty("controlId", s.id);
            w->setObjectName(QString::number(s.id));
            byId.insert(s.id, w);
        }
        if (s.flags & Disabled)
            w->setEnabled(false);
        if (s.flags & Hidden)
            w->setVisible(false);
        if (s.kind == ControlKind::GroupBox)
            groups.append(w);
    }
    // Frames stay behind the controls they surround.
    for (QWidget* g : groups)
        g->lower();
    return byId;
}

QHash<int, QWidget*> buildDialog(QWidget* dialog, const QString& caption, QSize sizeDu,
                                 const QList<ControlSpec>& specs, const CustomFactory& custom)
{
    dialog->setFont(dialogFont());
    dialog->setWindowTitle(caption);
    dialog->setFixedSize(dialogUnitsToPixels(sizeDu, dialog->font()));
    return buildControls(dialog, specs, custom);
}

QWidget* controlById(QWidget* root, int id)
{
    if (!root)
        return nullptr;
    const QList<QWidget*> found = root->findChildren<QWidget*>(QString::number(id));
    for (QWidget* w : found) {
        if (w->property("controlId").toInt() == id)
            return w;
    }
    return nullptr;
}

} // namespace tolvane::ui
