#include "ui/DialogStyle.h"

#include "ui/ControlTable.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>
#include <qdrawutil.h>

namespace tolvane::ui {

DialogStyle::DialogStyle(QStyle* base) : QProxyStyle(base) {}

DialogStyle* DialogStyle::instance()
{
    static QPointer<DialogStyle> style;
    if (!style) {
        // A fresh copy of the application's style: the proxy owns its base.
        style = new DialogStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}

int DialogStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const
{
    switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
        return kIndicatorSize;
    case PM_CheckBoxLabelSpacing:
        return kCheckBoxSpacing;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize DialogStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const
{
    const QSize base = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type != CT_CheckBox)
        return base;
    // The box, the gap and the text, without the extra margin other styles keep
    // around the text for a focus frame: that margin is what pushed short captions
    // out of their rectangles.
    return {kIndicatorSize + kCheckBoxSpacing + size.width(), base.height()};
}

namespace {
// A group box's title is one line of the dialog font: its height is the character
// height of the dialog units, and it starts one average character in.
QSize titleBox(const QWidget* widget)
{
    const QFont font = widget ? widget->font() : QApplication::font();
    return dialogUnitsToPixels(QSize(4, 8), font);
}
} // namespace

QRect DialogStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                  SubControl sub, const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box || (box->subControls & SC_GroupBoxCheckBox))
        return QProxyStyle::subControlRect(control, option, sub, widget);
    const QSize title = titleBox(widget);
    const QRect r = box->rect;
    switch (sub) {
    case SC_GroupBoxFrame:
        return r.adjusted(0, title.height() / 2, 0, 0);
    case SC_GroupBoxLabel: {
        const int width = box->fontMetrics.horizontalAdvance(box->text);
        return {r.left() + title.width(), r.top(), qMin(width, r.width() - 2 * title.width()),
                title.height()};
    }
    case SC_GroupBoxContents:
        return r.adjusted(2, title.height(), -2, -2);
    default:
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
}

void DialogStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || !box || (box->subControls & SC_GroupBoxCheckBox)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // An etched frame, as the dialog manager draws it.
    const QRect frame = subControlRect(control, box, SC_GroupBoxFrame, widget);
    qDrawShadeRect(painter, frame, box->palette, true, 1, 0);
    if (box->text.isEmpty())
        return;
    const QRect label = subControlRect(control, box, SC_GroupBoxLabel, widget);
    painter->fillRect(label.adjusted(-kTitleGap, 0, kTitleGap, 0), box->palette.window());
    drawItemText(painter, label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextHideMnemonic,
                 box->palette, box->state & State_Enabled, box->text, QPalette::WindowText);
}

} // namespace tolvane::ui
