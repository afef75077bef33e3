#pragma once

#include <QProxyStyle>

namespace tolvane::ui {

// Draws the controls of the dialog tables the way the dialog manager the layouts
// were made for does, so that controls placed in dialog units sit where their
// designer saw them: a group box's title is drawn at the top edge of its rectangle
// with the frame line running through the middle of the title, and a check box has
// a 13-px box with its text right after it. Everything else is the application's
// style.
class DialogStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // The one instance the dialogs share; it lives as long as the application.
    static DialogStyle* instance();

    static constexpr int kIndicatorSize = 13;
    static constexpr int kCheckBoxSpacing = 3;
    // Blank left on either side of a group box's title, where the frame line stops.
    static constexpr int kTitleGap = 2;

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

private:
    explicit DialogStyle(QStyle* base);
};

} // namespace tolvane::ui
