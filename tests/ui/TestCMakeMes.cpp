#include "BoxRecorder.h"
#include "FileBytes.h"

#include "platform/Cp932Codec.h"
#include "ui/CMakeMes.h"
#include "ui/ControlTable.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using testsupport::BoxRecorder;
using tolvane::console::MessageListService;
using tolvane::ui::CMakeMes;
using tolvane::ui::control;
using tolvane::ui::MsgIcon;

class TestCMakeMes : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::unique_ptr<MessageListService> m_lists;
    std::unique_ptr<CMakeMes> m_dlg;

    QDir dir() const { return QDir(m_tmp->path()); }
    CMakeMes& open(const QString& preset = {}, const QString& dataDir = {})
    {
        m_dlg.reset();
        m_lists = std::make_unique<MessageListService>();
        m_lists->setDirectory(QDir(dataDir.isEmpty() ? m_tmp->path() : dataDir));
        m_dlg = std::make_unique<CMakeMes>(*m_lists, preset);
        m_dlg->show();
        return *m_dlg;
    }
    QLineEdit* edit(int id) const { return control<QLineEdit>(m_dlg.get(), id); }
    QPushButton* button(int id) const { return control<QPushButton>(m_dlg.get(), id); }
    QListWidget* list() const { return control<QListWidget>(m_dlg.get(), CMakeMes::IdLines); }
    void add(const QString& text)
    {
        edit(CMakeMes::IdMessage)->setText(text);
        QTest::mouseClick(button(CMakeMes::IdAdd), Qt::LeftButton);
    }
    void addLines(const QStringList& lines)
    {
        for (const QString& l : lines)
            add(l);
    }
    void clickRow(int row)
    {
        QListWidget* l = list();
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {},
                          l->visualItemRect(l->item(row)).center());
    }
    void writeRaw(const QString& name, const QByteArray& bytes)
    {
        QVERIFY(testsupport::writeBytes(dir().filePath(name), bytes));
    }
    QStringList files() const { return dir().entryList(QDir::Files | QDir::Hidden); }

private Q_SLOTS:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        m_boxes = std::make_unique<BoxRecorder>();
    }
    void cleanup()
    {
        m_dlg.reset();
        m_lists.reset();
        m_boxes.reset();
    }

    void opensInNewMode()
    {
        CMakeMes& dlg = open();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("メッセージリスト作成ダイアログ♪"));
        QCOMPARE(edit(CMakeMes::IdTitleLabel)->text(),
                 QStringLiteral("メッセージリストのタイトル："));
        QCOMPARE(edit(CMakeMes::IdMessageLabel)->text(), QStringLiteral("メッセージ"));
        QVERIFY(dlg.title().isEmpty());
        QCOMPARE(list()->count(), 0);
        for (int id : {CMakeMes::IdUp, CMakeMes::IdDown, CMakeMes::IdReplace})
            QVERIFY(!button(id)->isEnabled());
    }

    void opensSampleListInEditMode()
    {
        const QStringList sample = {QStringLiteral("こちらは"),
                                    QStringLiteral("ヴェルミラ鯖開発部放送課です♪"),
                                    QStringLiteral("ただいまテスト放送を行っています・・"),
                                    QStringLiteral("ミントリアと言えば"),
                                    QStringLiteral("合言葉は？"),
                                    QStringLiteral("ミント！"),
                                    QStringLiteral("みんと！"),
                                    QStringLiteral("MI-んと！？"),
                                    QStringLiteral("テスト放送を終了します♪"),
                                    QStringLiteral("（；´ー｀）")};
        writeRaw(QStringLiteral("試験放送♪"),
                 *tolvane::platform::encodeCp932(QStringLiteral("10\r\n") + sample.join(u"\r\n") +
                                                 QStringLiteral("\r\n")));
        CMakeMes& dlg = open(QStringLiteral("試験放送♪"));
        QCOMPARE(dlg.title(), QStringLiteral("試験放送♪"));
        QCOMPARE(dlg.lines(), sample);
        QVERIFY(!button(CMakeMes::IdUp)->isEnabled());
        QVERIFY(!button(CMakeMes::IdDown)->isEnabled());
    }

    void moveButtonsFollowSelection_data()
    {
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("down");
        QTest::newRow("first") << 3 << 0 << false << true;
        QTest::newRow("middle") << 3 << 1 << true << true;
        QTest::newRow("last") << 3 << 2 << true << false;
        QTest::newRow("only") << 1 << 0 << false << false;
    }
    void moveButtonsFollowSelection()
    {
        QFETCH(int, lineCount);
        QFETCH(int, row);
        open();
        for (int i = 0; i < lineCount; ++i)
            add(QString::number(i));
        clickRow(row);
        QTEST(button(CMakeMes::IdUp)->isEnabled(), "up");
        QTEST(button(CMakeMes::IdDown)->isEnabled(), "down");
        QVERIFY(!button(CMakeMes::IdReplace)->isEnabled());
    }

    void addChecksMessage_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("boxCaption");
        QTest::newRow("empty") << QString() << QStringLiteral("挿入するメッセージを入力して下さい")
                               << QStringLiteral("メッセージがありませんよ・・・（；´ー｀）");
        QTest::newRow("36") << QString(36, u'あ') << QString() << QString();
        QTest::newRow("37") << QString(37, u'あ')
                            << QStringLiteral("挿入するメッセージを長すぎます（３６桁以内）")
                            << QStringLiteral("メッセージ長すぎ～・・・（；´ー｀）");
        QTest::newRow("line break") << QStringLiteral("a\nb")
                                    << QStringLiteral("メッセージに改行は入れられません・・（；；")
                                    << QStringLiteral("追加できません・・・");
    }
    void addChecksMessage()
    {
        QFETCH(QString, message);
        QFETCH(QString, boxText);
        open();
        if (!boxText.isEmpty())
            m_boxes->expect();
        add(message);
        if (boxText.isEmpty()) {
            QCOMPARE(m_dlg->lines(), QStringList{message});
            QCOMPARE(edit(CMakeMes::IdMessage)->text(), message); // kept for the next add
        } else {
            QVERIFY(m_dlg->lines().isEmpty());
            QCOMPARE(m_boxes->boxes.size(), 1);
            QCOMPARE(m_boxes->boxes[0].text, boxText);
            QTEST(m_boxes->boxes[0].caption, "boxCaption");
        }
    }

    void addInsertsBeforeSelectionOrAppends()
    {
        open();
        addLines({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        QCOMPARE(m_dlg->lines(),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        clickRow(1);
        add(QStringLiteral("x"));
        QCOMPARE(m_dlg->lines(), (QStringList{QStringLiteral("a"), QStringLiteral("x"),
                                              QStringLiteral("b"), QStringLiteral("c")}));
    }

    void deleteLines()
    {
        open();
        m_boxes->expect();
        QTest::mouseClick(button(CMakeMes::IdDelete), Qt::LeftButton);
        QCOMPARE(m_boxes->boxes.size(), 1);
        QCOMPARE(m_boxes->boxes[0].text,
                 QStringLiteral("メッセージが選択されてませんよ！（；´ー｀）"));
        QCOMPARE(m_boxes->boxes[0].caption, QStringLiteral("削除できません・・・"));

        addLines(
            {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
        clickRow(1);
        QTest::mouseClick(button(CMakeMes::IdDelete), Qt::LeftButton);
        QCOMPARE(list()->selectedItems().value(0)->text(), QStringLiteral("c")); // took its place

        clickRow(2);
        QVERIFY(button(CMakeMes::IdUp)->isEnabled());
        QVERIFY(!button(CMakeMes::IdDown)->isEnabled());
        QTest::mouseClick(button(CMakeMes::IdDelete), Qt::LeftButton);
        const QStringList left = {QStringLiteral("a"), QStringLiteral("c")};
        QCOMPARE(m_dlg->lines(), left);
        QVERIFY(list()->selectedItems().isEmpty());
        QVERIFY(button(CMakeMes::IdUp)->isEnabled()); // keeps its state
        QTest::mouseClick(button(CMakeMes::IdUp), Qt::LeftButton);
        QCOMPARE(m_dlg->lines(), left);

        // Removing a line must not count as selecting its neighbour.
        clickRow(1);
        QTest::mouseClick(button(CMakeMes::IdDelete), Qt::LeftButton);
        QCOMPARE(m_dlg->lines(), QStringList{QStringLiteral("a")});
        QVERIFY(button(CMakeMes::IdUp)->isEnabled());
    }

    void moveAndCopyLinesOfAnyLength()
    {
        const QString longLine = QString(60, u'長') + QStringLiteral("end");
        writeRaw(QStringLiteral("long"),
                 "3\r\na\r\n" + *tolvane::platform::encodeCp932(longLine) + "\r\nc\r\n");
        open(QStringLiteral("long"));
        clickRow(1);
        QTest::mouseClick(button(CMakeMes::IdUp), Qt::LeftButton);
        QCOMPARE(m_dlg->lines(), (QStringList{longLine, QStringLiteral("a"), QStringLiteral("c")}));
        QVERIFY(!button(CMakeMes::IdUp)->isEnabled());
        QVERIFY(button(CMakeMes::IdDown)->isEnabled());
        QTest::mouseClick(button(CMakeMes::IdDown), Qt::LeftButton);
        QTest::mouseClick(button(CMakeMes::IdDown), Qt::LeftButton);
        QCOMPARE(m_dlg->lines(), (QStringList{QStringLiteral("a"), QStringLiteral("c"), longLine}));
        QCOMPARE(list()->selectedItems().value(0)->text(), longLine);
        QVERIFY(!button(CMakeMes::IdDown)->isEnabled());

        QListWidget* l = list();
        const QPoint at = l->visualItemRect(l->item(2)).center();
        QTest::mousePress(l->viewport(), Qt::LeftButton, {},
                          at); // a double-click starts as a press
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(edit(CMakeMes::IdMessage)->text(), longLine);
    }

    void enterRunsAddWhereverTheFocus_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("key");
        for (int id :
             {int(CMakeMes::IdTitle), int(CMakeMes::IdMessage), int(CMakeMes::IdLines), 1, 2})
            QTest::addRow("%d", id) << id << int(Qt::Key_Return);
        QTest::addRow("keypad enter on OK") << 1 << int(Qt::Key_Enter);
    }
    void enterRunsAddWhereverTheFocus()
    {
        QFETCH(int, id);
        QFETCH(int, key);
        open();
        edit(CMakeMes::IdTitle)->setText(QStringLiteral("t"));
        edit(CMakeMes::IdMessage)->setText(QStringLiteral("m"));
        QTest::keyClick(tolvane::ui::controlById(m_dlg.get(), id), Qt::Key(key));
        // OK would have shown the no-data box; Add made a line instead.
        QCOMPARE(m_dlg->lines(), QStringList{QStringLiteral("m")});
        QVERIFY(m_dlg->isVisible());
        QVERIFY(files().isEmpty());
    }

    void escapeIsSwallowed()
    {
        open();
        QTest::keyClick(edit(CMakeMes::IdMessage), Qt::Key_Escape);
        QTest::keyClick(button(2), Qt::Key_Escape);
        QVERIFY(m_dlg->isVisible());
    }

    void cancelWritesNothing_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("button 2") << false;
        QTest::newRow("close box") << true;
    }
    void cancelWritesNothing()
    {
        QFETCH(bool, closeBox);
        open();
        edit(CMakeMes::IdTitle)->setText(QStringLiteral("t"));
        add(QStringLiteral("a"));
        if (closeBox)
            m_dlg->close();
        else
            QTest::mouseClick(button(2), Qt::LeftButton);
        QCOMPARE(m_dlg->result(), int(QDialog::Rejected));
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(files().isEmpty());
    }

    void okRefusesMissingData_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("boxText");
        QTest::newRow("no lines") << QStringLiteral("t") << QString()
                                  << QStringLiteral("データがありません・・（；；");
        QTest::newRow("no lines, no title")
            << QString() << QString() << QStringLiteral("データがありません・・（；；");
        QTest::newRow("no title") << QString() << QStringLiteral("a")
                                  << QStringLiteral("タイトルを入力して下さい！");
    }
    void okRefusesMissingData()
    {
        QFETCH(QString, title);
        QFETCH(QString, line);
        open();
        edit(CMakeMes::IdTitle)->setText(title);
        if (!line.isEmpty())
            add(line);
        m_boxes->expect();
        QTest::mouseClick(button(1), Qt::LeftButton);
        QCOMPARE(m_boxes->boxes.size(), 1);
        QTEST(m_boxes->boxes[0].text, "boxText");
        QVERIFY(m_boxes->boxes[0].caption.isEmpty());
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(m_dlg->title(), title);
        QVERIFY(files().isEmpty());
    }

    void okWritesListFile_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("saved"); // the file's name
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QStringLiteral("t")
                               << QStringList{QStringLiteral("a"), QStringLiteral("b")}
                               << QStringLiteral("t") << QByteArray::fromHex("320d0a610d0a620d0a");
        QTest::newRow("cp932") << QStringLiteral("テスト") << QStringList{QStringLiteral("あ～")}
                               << QStringLiteral("テスト")
                               << QByteArray::fromHex("310d0a82a081600d0a");
        // What a Linux input method types: WAVE DASH, saved as the code page's tilde.
        QTest::newRow("look-alike typed")
            << QStringLiteral("10時〜12時") << QStringList{QStringLiteral("10時〜12時")}
            << QStringLiteral("10時～12時")
            << QByteArray::fromHex("310d0a31308e9e816031328e9e0d0a");
    }
    void okWritesListFile()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, lines);
        QFETCH(QString, saved);
        writeRaw(saved, "1\r\nold\r\n"); // replaced without a question
        open();
        edit(CMakeMes::IdTitle)->setText(title);
        addLines(lines);
        QTest::mouseClick(button(1), Qt::LeftButton);
        QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
        QTEST(testsupport::readBytes(dir().filePath(saved)), "bytes");
    }

    void okRecreatesDataDirectory()
    {
        const QString data = dir().filePath(QStringLiteral("TolvaneData"));
        open(QString(), data);
        QSignalSpy names(m_lists.get(), &MessageListService::namesChanged);
        edit(CMakeMes::IdTitle)->setText(QStringLiteral("t"));
        add(QStringLiteral("a"));
        QTest::mouseClick(button(1), Qt::LeftButton);
        QVERIFY(QFile::exists(data + QStringLiteral("/t")));
        // Saved through the list service, which tells of the new list.
        QCOMPARE(names.size(), 1);
        QCOMPARE(names[0][0].toStringList(), QStringList{QStringLiteral("t")});
    }

    void okReportsInaccessibleDataDirectoryAndStaysOpen()
    {
        writeRaw(QStringLiteral("blocker"), "x");
        open(QString(), dir().filePath(QStringLiteral("blocker/TolvaneData")));
        edit(CMakeMes::IdTitle)->setText(QStringLiteral("t"));
        add(QStringLiteral("a"));
        m_boxes->expect(QMessageBox::Ok, 2); // the directory box, then the failed write
        QTest::mouseClick(button(1), Qt::LeftButton);
        QCOMPARE(m_boxes->boxes.size(), 2);
        QCOMPARE(m_boxes->boxes[0].text,
                 QStringLiteral("データディレクトリにアクセスできません・・（；；"));
        QVERIFY(m_boxes->boxes[0].caption.isEmpty());
        QVERIFY(m_boxes->boxes[1].text.contains(QStringLiteral("「t」")));
        QVERIFY(m_dlg->isVisible());
    }

    void titleLimit()
    {
        open();
        QTest::keyClicks(edit(CMakeMes::IdTitle), QString(25, u'x'));
        QCOMPARE(m_dlg->title(), QString(20, u'x'));

        // A longer title from a file named by other means is shown whole, refused at OK.
        const QString longTitle = QStringLiteral("abcdefghijklmnopqrstu");
        writeRaw(longTitle, "1\r\nx\r\n");
        open(longTitle);
        QCOMPARE(m_dlg->title(), longTitle);
        QLineEdit* title = edit(CMakeMes::IdTitle);
        title->end(false);
        QTest::keyClick(title, Qt::Key_Z);
        QCOMPARE(m_dlg->title(), longTitle);
        m_boxes->expect();
        QTest::mouseClick(button(1), Qt::LeftButton);
        QCOMPARE(m_boxes->boxes.size(), 1);
        QCOMPARE(m_boxes->boxes[0].text, QStringLiteral("20 文字以内で入力してください。"));
        QCOMPARE(m_boxes->boxes[0].icon, MsgIcon::Warning);
        QVERIFY(m_dlg->isVisible());

        title->end(false);
        QTest::keyClick(title, Qt::Key_Backspace);
        QTest::mouseClick(button(1), Qt::LeftButton);
        QCOMPARE(m_dlg->result(), int(QDialog::Accepted));
        QVERIFY(QFile::exists(dir().filePath(longTitle.left(20))));
    }

    void okRefusesWhatCannotBeSaved_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("chars"); // the characters the box names, if any
        const QString emoji = QStringLiteral("%2%1 \U0001F600€\U0001F600");
        QTest::newRow("line outside cp932")
            << QStringLiteral("t") << emoji << emoji << QStringLiteral("\U0001F600€");
        QTest::newRow("title outside cp932") << QStringLiteral("한국") << QStringLiteral("a")
                                             << QStringLiteral("한국") << QStringLiteral("한국");
        QTest::newRow("slash") << QStringLiteral("a/b") << QStringLiteral("a")
                               << QStringLiteral("a/b") << QString();
#ifdef Q_OS_WIN
        // A leading dot hides nothing on Windows, but device names are reserved.
        QTest::newRow("device name") << QStringLiteral("NUL.txt") << QStringLiteral("a")
                                     << QStringLiteral("NUL.txt") << QString();
#else
        QTest::newRow("hidden") << QStringLiteral(".x") << QStringLiteral("a")
                                << QStringLiteral(".x") << QString();
#endif
        QTest::newRow("schedule file") << QStringLiteral("TimeSignal.cfg") << QStringLiteral("a")
                                       << QStringLiteral("TimeSignal.cfg") << QString();
    }
    void okRefusesWhatCannotBeSaved()
    {
        QFETCH(QString, title);
        QFETCH(QString, line);
        QFETCH(QString, named);
        QFETCH(QString, chars);
        open();
        edit(CMakeMes::IdTitle)->setText(title);
        add(QStringLiteral("first"));
        add(line);
        m_boxes->expect();
        QTest::mouseClick(button(1), Qt::LeftButton);
        QCOMPARE(m_boxes->boxes.size(), 1);
        QVERIFY2(
            m_boxes->boxes[0].text.contains(QStringLiteral("「") + named + QStringLiteral("」")),
            qPrintable(m_boxes->boxes[0].text));
        if (!chars.isEmpty())
            QVERIFY2(m_boxes->boxes[0].text.contains(QStringLiteral("（") + chars +
                                                     QStringLiteral("）")),
                     qPrintable(m_boxes->boxes[0].text));
        QCOMPARE(m_boxes->boxes[0].caption, QStringLiteral("保存できません・・・"));
        QVERIFY(m_dlg->isVisible());
        QCOMPARE(m_dlg->title(), title);
        QCOMPARE(m_dlg->lines(), (QStringList{QStringLiteral("first"), line}));
        QVERIFY(files().isEmpty());
    }
};

QTEST_MAIN(TestCMakeMes)
#include "TestCMakeMes.moc"
