#pragma once

#include <QHash>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>

class QFont;
class QWidget;

// A dialog described as a table of its controls: id, kind, text, rectangle in
// dialog units, style flags. buildControls turns such a table into widgets.
namespace tolvane::ui {

enum class ControlKind {
    PushButton,
    DefPushButton, // the dialog's default button
    CheckBox,
    Edit,
    LiveMessageEdit, // an edit that marks what a live message would lose to its cap
    Static,
    GroupBox,
    DropDownList, // QComboBox, not editable
    ListBox,      // QListWidget
    ListView,     // QTreeWidget in report style
    UpDown,       // UpDownControl
    Custom,       // made by the caller's factory, then placed like the others
};

enum ControlFlag : unsigned {
    NoFlags = 0,
    ReadOnly = 1u << 0,
    AlignRight = 1u << 1,
    AlignCenter = 1u << 2,
    Sunken = 1u << 3,
    Hidden = 1u << 4,
    Disabled = 1u << 5,
    Sorted = 1u << 6,
    MultiSelect = 1u << 7,
    DigitsOnly = 1u << 8,
    ShowsLineCut = 1u << 9, // list box of broadcast lines: a cut line's tooltip says so
    AutoBuddy = 1u << 10,   // up-down control: the control made just before it is its buddy
};

constexpr int kNoId = -1;

struct ControlSpec
{
    ControlSpec(int id_, ControlKind kind_, QString text_, QRect rect_, unsigned flags_ = NoFlags)
        : id(id_), kind(kind_), text(std::move(text_)), rect(rect_), flags(flags_)
    {}

    int id = kNoId;
    ControlKind kind = ControlKind::Static;
    QString text;
    QRect rect; // dialog units: x, y, width, height
    unsigned flags = NoFlags;
};

// Dialog units of the given font: a horizontal unit is a quarter of the average
// character width, a vertical unit an eighth of the character height.
QRect dialogUnitsToPixels(const QRect& du, const QFont& font);
QSize dialogUnitsToPixels(const QSize& du, const QFont& font);

using CustomFactory = std::function<QWidget*(const ControlSpec&, QWidget* parent)>;

// Creates the controls of `specs` as children of `parent`, in table order, placed
// in dialog units of the parent's font. Each widget carries its id as the dynamic
// property "controlId" and as its objectName (controls without an id get none).
// Returns the widgets by id.
QHash<int, QWidget*> buildControls(QWidget* parent, const QList<ControlSpec>& specs,
                                   const CustomFactory& custom = {});

// Sets up `dialog` from its table: the dialog font, the caption, the fixed size in
// dialog units, and the controls (see buildControls).
QHash<int, QWidget*> buildDialog(QWidget* dialog, const QString& caption, QSize sizeDu,
                                 const QList<ControlSpec>& specs, const CustomFactory& custom = {});

// The font every dialog uses: a Japanese-capable UI font at 9 pt.
QFont dialogFont();

// Finds a control by id below `root`.
QWidget* controlById(QWidget* root, int id);
template <typename T> T* control(QWidget* root, int id)
{
    return qobject_cast<T*>(controlById(root, id));
}

} // namespace tolvane::ui
