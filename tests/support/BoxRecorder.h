#pragma once

// The message boxes of the window and dialog tests. Including this header is enough
// to make any box fail the running test: none ever waits for a real modal box.

#include "ui/MessageBoxSeam.h"

#include <QQueue>
#include <QTest>

#include <functional>

namespace testsupport {

struct RecordedBox
{
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons;
    tolvane::ui::MsgIcon icon;
    QMessageBox::StandardButton defaultButton;
};

// A box nobody scripted: the running test fails, naming its text and caption, and
// the box is answered with Cancel.
inline QMessageBox::StandardButton failOnBox(const tolvane::ui::MessageBoxRequest& r)
{
    const QByteArray what = QStringLiteral("unexpected message box \"%1\" captioned \"%2\"")
                                .arg(r.text, r.caption)
                                .toUtf8();
    if (QTest::currentTestFunction())
        QTest::qFail(what.constData(), __FILE__, __LINE__);
    else
        qFatal("%s outside any test function", what.constData());
    return QMessageBox::Cancel;
}

namespace {
[[maybe_unused]] const bool kStrictBoxes = (tolvane::ui::setMessageBoxResponder(failOnBox), true);
} // namespace

// Records every box and answers it from the script; a box beyond the script fails
// the test. A scripted box that never came fails it too, when the recorder goes.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        tolvane::ui::setMessageBoxResponder([this](const tolvane::ui::MessageBoxRequest& r) {
            boxes.append({r.text, r.caption, r.buttons, r.icon, r.defaultButton});
            if (m_script.isEmpty())
                return failOnBox(r);
            const Step step = m_script.dequeue();
            if (step.whileOpen)
                step.whileOpen();
            return step.answer;
        });
    }
    ~BoxRecorder()
    {
        tolvane::ui::setMessageBoxResponder(failOnBox);
        if (!m_script.isEmpty() && QTest::currentTestFunction() && !QTest::currentTestFailed())
            QTest::qFail(
                qPrintable(
                    QStringLiteral("%1 scripted message box(es) never came").arg(m_script.size())),
                __FILE__, __LINE__);
    }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // The next `count` boxes are expected and answered with `answer`.
    void expect(QMessageBox::StandardButton answer = QMessageBox::Ok, int count = 1)
    {
        for (int i = 0; i < count; ++i)
            m_script.enqueue({answer, {}});
    }
    // The next box is expected; `whileOpen` runs underneath it before it is answered.
    void expectWhileOpen(QMessageBox::StandardButton answer, std::function<void()> whileOpen)
    {
        m_script.enqueue({answer, std::move(whileOpen)});
    }
    // Every scripted box has come.
    bool done() const { return m_script.isEmpty(); }
    // The script is dropped: a test that skips before its boxes came.
    void forget() { m_script.clear(); }

    QStringList texts() const
    {
        QStringList out;
        for (const auto& b : boxes)
            out.append(b.text);
        return out;
    }

    QList<RecordedBox> boxes;

private:
    struct Step
    {
        QMessageBox::StandardButton answer;
        std::function<void()> whileOpen;
    };
    QQueue<Step> m_script;
};

} // namespace testsupport
