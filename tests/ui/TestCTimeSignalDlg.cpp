#include "BoxRecorder.h"
#include "FileBytes.h"
#include "FileServices.h"

#include "settings/IniSettings.h"
#include "ui/CEditTimeMesDlg.h"
#include "ui/CMakeMes.h"
#include "ui/CTimeSignalDlg.h"
#include "ui/ControlTable.h"
#include "ui/DialogRunner.h"
#include "ui/UpDownControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;
using testsupport::BoxRecorder;
using testsupport::readBytes;
using testsupport::writeBytes;
using tolvane::console::ScheduleService;
using tolvane::settings::IniSettings;
using tolvane::ui::CEditTimeMesDlg;
using tolvane::ui::CMakeMes;
using tolvane::ui::control;
using tolvane::ui::CTimeSignalDlg;
using tolvane::ui::MsgIcon;
using tolvane::ui::UpDownControl;

namespace {

const QString kSample = u"試験放送♪"_s;
// "2", "07:00:00,1,試験放送♪", "21:30:00,1,abc", each ended by CR LF, in code page 932.
const QByteArray kTwoEntries = QByteArray::fromHex("320d0a"
                                                   "30373a30303a30302c312c8e8e8cb195fa919781f40d0a"
                                                   "32313a33303a30302c312c6162630d0a");

QByteArray scheduleFile(const QStringList& lines)
{
    QByteArray bytes = QByteArray::number(lines.size()) + "\r\n";
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

QStringList numberedEntries(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << u"%1:00:%2,1,L%3"_s.arg(i % 24, 2, 10, QChar(u'0'))
                     .arg(i % 60, 2, 10, QChar(u'0'))
                     .arg(i);
    return lines;
}

} // namespace

class TestCTimeSignalDlg : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void opensWithClockSettingsAndFile();
    void rowsAtOpen_data();
    void rowsAtOpen();
    void arrowKeysInTimeEdits_data();
    void arrowKeysInTimeEdits();
    void addAsksAndAddsCheckedRow();
    void addTakesListNameAsItStands();
    void addWithoutListChosen();
    void addSortsByTime();
    void twentiethRowDisablesAddAndDeleteReenables();
    void deleteTakesHighestSelectedRow();
    void deleteWithoutSelection_data();
    void deleteWithoutSelection();
    void closeWritesScheduleAndSwitches();
    void enterClosesLikeTheButton();
    void closeWithNoRowsLeavesFile();
    void closeKeepsLinesItCannotShow();
    void escapeAndCloseBoxWriteNothing_data();
    void escapeAndCloseBoxWriteNothing();
    void closeRefusesUnrepresentableName();
    void closeReportsWriteError();
    void editorOkWritesTextsAtOnce_data();
    void editorOkWritesTextsAtOnce();
    void editorCancelWritesNothing();
    void newListRefillsCombo();

private:
    void writeSchedule(const QByteArray& bytes);
    QByteArray readSchedule() const;
    void makeList(const QString& name);
    std::unique_ptr<CTimeSignalDlg> open(QTime now = QTime(14, 5, 9));
    // The services of the dialog opened last.
    testsupport::FileServices& services() { return *m_services.back(); }
    QStringList times(CTimeSignalDlg& dlg) const;
    QString keptNote(CTimeSignalDlg& dlg) const;
    void click(CTimeSignalDlg& dlg, int id);
    void chooseList(CTimeSignalDlg& dlg, const QString& name);
    void setTime(CTimeSignalDlg& dlg, int h, int m, int s);

    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dataDir;
    IniSettings m_settings;
    std::vector<std::unique_ptr<testsupport::FileServices>> m_services; // one for each dialog
    std::unique_ptr<BoxRecorder> m_boxes;
};

void TestCTimeSignalDlg::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    QVERIFY(QDir(m_tmp->path()).mkdir(u"TolvaneData"_s));
    m_dataDir = QDir(m_tmp->filePath(u"TolvaneData"_s));
    m_settings.setPath(m_tmp->filePath(u"Tolvane.ini"_s));
    m_boxes = std::make_unique<BoxRecorder>();
    tolvane::ui::setDialogRunner([](QDialog&) -> int {
        QTest::qFail("no nested dialog expected", __FILE__, __LINE__);
        return QDialog::Rejected;
    });
}

void TestCTimeSignalDlg::cleanup()
{
    m_boxes.reset();
    tolvane::ui::setDialogRunner({});
    m_services.clear();
    m_tmp.reset();
}

void TestCTimeSignalDlg::writeSchedule(const QByteArray& bytes)
{
    QVERIFY(writeBytes(m_dataDir.filePath(u"TimeSignal.cfg"_s), bytes));
}

QByteArray TestCTimeSignalDlg::readSchedule() const
{
    return readBytes(m_dataDir.filePath(u"TimeSignal.cfg"_s));
}

void TestCTimeSignalDlg::makeList(const QString& name)
{
    QVERIFY(writeBytes(m_dataDir.filePath(name), "1\r\nhello\r\n"));
}

std::unique_ptr<CTimeSignalDlg> TestCTimeSignalDlg::open(QTime now)
{
    m_services.push_back(std::make_unique<testsupport::FileServices>(m_dataDir, m_settings.path()));
    auto dlg = std::make_unique<CTimeSignalDlg>(services().schedule, services().lists,
                                                [now] { return now; });
    dlg->show();
    return dlg;
}

QStringList TestCTimeSignalDlg::times(CTimeSignalDlg& dlg) const
{
    QStringList out;
    auto* tree = control<QTreeWidget>(&dlg, CTimeSignalDlg::IdSchedule);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(0);
    return out;
}

// The note on the lines the list cannot show; empty while it is hidden.
QString TestCTimeSignalDlg::keptNote(CTimeSignalDlg& dlg) const
{
    const auto* note = dlg.findChild<QLabel*>(CTimeSignalDlg::kKeptNoteName);
    return note && note->isVisible() ? note->text() : QString();
}

void TestCTimeSignalDlg::click(CTimeSignalDlg& dlg, int id)
{
    auto* b = control<QAbstractButton>(&dlg, id);
    QVERIFY(b);
    QVERIFY(b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);
}

void TestCTimeSignalDlg::chooseList(CTimeSignalDlg& dlg, const QString& name)
{
    auto* combo = control<QComboBox>(&dlg, CTimeSignalDlg::IdLists);
    const int index = combo->findText(name, Qt::MatchExactly);
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
}

void TestCTimeSignalDlg::setTime(CTimeSignalDlg& dlg, int h, int m, int s)
{
    control<UpDownControl>(&dlg, CTimeSignalDlg::IdHourUpDown)->setPos(h);
    control<UpDownControl>(&dlg, CTimeSignalDlg::IdMinuteUpDown)->setPos(m);
    control<UpDownControl>(&dlg, CTimeSignalDlg::IdSecondUpDown)->setPos(s);
}

void TestCTimeSignalDlg::opensWithClockSettingsAndFile()
{
    makeList(u"b"_s);
    makeList(u"C"_s);
    makeList(u"A"_s);
    QVERIFY(m_settings.write(u"TimeSig"_s, u"00"_s, u"ex"_s));
    QVERIFY(m_settings.write(u"TimeSig"_s, u"30"_s, QString()));
    // A malformed line and a line whose time names no moment are left out.
    writeSchedule(
        scheduleFile({u"07:00:00,1,A"_s, u"no comma"_s, u"25:00:00,1,b"_s, u"21:30:00,0,a,b"_s}));

    auto dlg = open();
    QCOMPARE(dlg->windowTitle(), u"時報設定ダイアログ"_s);
    QCOMPARE(control<QLineEdit>(dlg.get(), CTimeSignalDlg::IdHourEdit)->text(), u"14"_s);
    QCOMPARE(control<QLineEdit>(dlg.get(), CTimeSignalDlg::IdMinuteEdit)->text(), u"5"_s);
    QCOMPARE(control<QLineEdit>(dlg.get(), CTimeSignalDlg::IdSecondEdit)->text(), u"9"_s);
    QVERIFY(control<QLineEdit>(dlg.get(), CTimeSignalDlg::IdHourEdit)->isReadOnly());
    QVERIFY(control<QCheckBox>(dlg.get(), CTimeSignalDlg::IdHourly)->isChecked());
    QVERIFY(!control<QCheckBox>(dlg.get(), CTimeSignalDlg::IdHalfHourly)->isChecked());
    QVERIFY(control<QWidget>(dlg.get(), CTimeSignalDlg::IdChange)->isHidden());

    auto* combo = control<QComboBox>(dlg.get(), CTimeSignalDlg::IdLists);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    // TimeSignal.cfg is hidden and never offered as a list.
    QCOMPARE(items, (QStringList{u"A"_s, u"b"_s, u"C"_s}));
    QCOMPARE(combo->currentIndex(), -1);

    auto* tree = control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule);
    QCOMPARE(tree->headerItem()->text(0), u"時刻"_s);
    QCOMPARE(tree->headerItem()->text(1), u"メッセージリスト"_s);
    QCOMPARE(tree->header()->sectionSize(0), 80);
    QCOMPARE(tree->header()->sectionSize(1), 180);
    QCOMPARE(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), u"07:00:00"_s);
    QCOMPARE(tree->topLevelItem(0)->text(1), u"A"_s);
    QCOMPARE(tree->topLevelItem(0)->checkState(0), Qt::Checked);
    QCOMPARE(tree->topLevelItem(1)->text(1), u"a,b"_s);
    QCOMPARE(tree->topLevelItem(1)->checkState(0), Qt::Unchecked);
    QVERIFY(tree->topLevelItem(1)->flags() & Qt::ItemIsUserCheckable);
    // The two lines left out are named without a box.
    QCOMPARE(keptNote(*dlg), u"表示できない 2 行はそのまま残します"_s);
}

void TestCTimeSignalDlg::rowsAtOpen_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("addEnabled");
    QTest::addColumn<QString>("note");
    QTest::newRow("19") << 19 << 19 << true << QString();
    QTest::newRow("20") << 20 << 20 << false << QString();
    QTest::newRow("25, more than the dialog adds") << 25 << 25 << false << QString();
    QTest::newRow("502, the first 500")
        << 502 << 500 << false << u"表示できない 2 行はそのまま残します"_s;
}

void TestCTimeSignalDlg::rowsAtOpen()
{
    QFETCH(int, entries);
    QFETCH(int, rows);
    QFETCH(bool, addEnabled);
    writeSchedule(scheduleFile(numberedEntries(entries)));
    auto dlg = open();
    const QList<tolvane::timesignal::TimeSignalRow> shown = dlg->rows();
    QCOMPARE(shown.size(), rows);
    QCOMPARE(shown.last().listName, u"L%1"_s.arg(rows - 1));
    QCOMPARE(control<QPushButton>(dlg.get(), CTimeSignalDlg::IdAdd)->isEnabled(), addEnabled);
    QTEST(keptNote(*dlg), "note");
}

void TestCTimeSignalDlg::arrowKeysInTimeEdits_data()
{
    QTest::addColumn<int>("edit");
    QTest::addColumn<int>("upDown");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("pos");
    using D = CTimeSignalDlg;
    // Opened at 23:00:59: the up-downs stop at their ends, as they do when clicked.
    QTest::newRow("hour up, at the top")
        << int(D::IdHourEdit) << int(D::IdHourUpDown) << int(Qt::Key_Up) << 23;
    QTest::newRow("hour down") << int(D::IdHourEdit) << int(D::IdHourUpDown) << int(Qt::Key_Down)
                               << 22;
    QTest::newRow("minute down, at the bottom")
        << int(D::IdMinuteEdit) << int(D::IdMinuteUpDown) << int(Qt::Key_Down) << 0;
    QTest::newRow("minute up") << int(D::IdMinuteEdit) << int(D::IdMinuteUpDown) << int(Qt::Key_Up)
                               << 1;
    QTest::newRow("second up, at the top")
        << int(D::IdSecondEdit) << int(D::IdSecondUpDown) << int(Qt::Key_Up) << 59;
    QTest::newRow("second down") << int(D::IdSecondEdit) << int(D::IdSecondUpDown)
                                 << int(Qt::Key_Down) << 58;
}

void TestCTimeSignalDlg::arrowKeysInTimeEdits()
{
    QFETCH(int, edit);
    QFETCH(int, upDown);
    QFETCH(int, key);
    QFETCH(int, pos);
    auto dlg = open(QTime(23, 0, 59));
    auto* line = control<QLineEdit>(dlg.get(), edit);
    QTest::keyClick(line, Qt::Key(key));
    QCOMPARE(control<UpDownControl>(dlg.get(), upDown)->pos(), pos);
    QCOMPARE(line->text(), QString::number(pos));
}

void TestCTimeSignalDlg::addAsksAndAddsCheckedRow()
{
    makeList(kSample);
    auto dlg = open(QTime(14, 5, 9));
    chooseList(*dlg, kSample);
    // However the box is closed, the entry is added.
    m_boxes->expect(QMessageBox::Cancel, 2);
    click(*dlg, CTimeSignalDlg::IdAdd);

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text,
             u"時刻：14時5分9秒にメッセージリスト試験放送♪を放送しますか？"_s);
    QCOMPARE(m_boxes->boxes[0].caption, u"(^^)"_s);
    QCOMPARE(m_boxes->boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    const auto rows = dlg->rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].displayTime, u"14:05:09"_s);
    QCOMPARE(rows[0].listName, kSample);
    QVERIFY(rows[0].enabled);

    // The same entry may be added again.
    click(*dlg, CTimeSignalDlg::IdAdd);
    QCOMPARE(dlg->rows().size(), 2);
}

void TestCTimeSignalDlg::addTakesListNameAsItStands()
{
    makeList(u"%s%d%1"_s);
    auto dlg = open(QTime(0, 0, 0));
    chooseList(*dlg, u"%s%d%1"_s);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, u"時刻：0時0分0秒にメッセージリスト%s%d%1を放送しますか？"_s);
    QCOMPARE(dlg->rows().value(0).displayTime, u"00:00:00"_s);
}

void TestCTimeSignalDlg::addWithoutListChosen()
{
    makeList(kSample);
    auto dlg = open();
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, u"メッセージリストを選択して下さいね！"_s);
    QCOMPARE(m_boxes->boxes[0].caption, u"（；´ー｀）"_s);
    QCOMPARE(m_boxes->boxes[0].icon, MsgIcon::Question);
    QVERIFY(dlg->rows().isEmpty());
}

void TestCTimeSignalDlg::addSortsByTime()
{
    makeList(kSample);
    writeSchedule(scheduleFile({u"08:00:00,1,x"_s, u"06:30:00,0,y"_s}));
    auto dlg = open();
    QCOMPARE(times(*dlg), (QStringList{u"08:00:00"_s, u"06:30:00"_s})); // file order at first
    auto* tree = control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule);
    tree->topLevelItem(0)->setSelected(true);
    chooseList(*dlg, kSample);
    setTime(*dlg, 7, 0, 0);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    QCOMPARE(times(*dlg), (QStringList{u"06:30:00"_s, u"07:00:00"_s, u"08:00:00"_s}));
    const auto rows = dlg->rows();
    QCOMPARE(rows[0].enabled, false);
    QCOMPARE(rows[2].listName, u"x"_s);
    // The selection stays with its row.
    QCOMPARE(tree->selectedItems().size(), 1);
    QCOMPARE(tree->selectedItems().first()->text(0), u"08:00:00"_s);
}

void TestCTimeSignalDlg::twentiethRowDisablesAddAndDeleteReenables()
{
    makeList(kSample);
    writeSchedule(scheduleFile(numberedEntries(19)));
    auto dlg = open();
    auto* add = control<QPushButton>(dlg.get(), CTimeSignalDlg::IdAdd);
    QVERIFY(add->isEnabled());
    chooseList(*dlg, kSample);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    QCOMPARE(dlg->rows().size(), 20);
    QVERIFY(!add->isEnabled());

    control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule)->topLevelItem(3)->setSelected(true);
    click(*dlg, CTimeSignalDlg::IdDelete);
    QCOMPARE(dlg->rows().size(), 19);
    QVERIFY(add->isEnabled());
}

void TestCTimeSignalDlg::deleteTakesHighestSelectedRow()
{
    writeSchedule(scheduleFile({u"01:00:00,1,a"_s, u"02:00:00,1,b"_s, u"03:00:00,1,c"_s,
                                u"04:00:00,1,d"_s, u"05:00:00,1,e"_s}));
    auto dlg = open();
    auto* tree = control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule);
    tree->topLevelItem(3)->setSelected(true);
    tree->topLevelItem(1)->setSelected(true);
    click(*dlg, CTimeSignalDlg::IdDelete);
    QCOMPARE(times(*dlg),
             (QStringList{u"01:00:00"_s, u"02:00:00"_s, u"03:00:00"_s, u"05:00:00"_s}));
}

void TestCTimeSignalDlg::deleteWithoutSelection_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("no rows") << QByteArray("0\r\n");
    QTest::newRow("rows, none selected") << kTwoEntries;
}

void TestCTimeSignalDlg::deleteWithoutSelection()
{
    QFETCH(QByteArray, file);
    writeSchedule(file);
    auto dlg = open();
    const qsizetype before = dlg->rows().size();
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdDelete);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, u"選択しないと削除できませんねー・・・"_s);
    QCOMPARE(m_boxes->boxes[0].caption, u"（＾＾；"_s);
    QCOMPARE(m_boxes->boxes[0].icon, MsgIcon::Question);
    QCOMPARE(dlg->rows().size(), before);
}

void TestCTimeSignalDlg::closeWritesScheduleAndSwitches()
{
    QVERIFY(m_settings.write(u"TimeSig"_s, u"30"_s, u"ex"_s));
    writeSchedule(kTwoEntries);
    auto dlg = open();
    control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule)
        ->topLevelItem(0)
        ->setCheckState(0, Qt::Unchecked);
    click(*dlg, CTimeSignalDlg::IdHourly);
    click(*dlg, CTimeSignalDlg::IdHalfHourly);
    // Nothing is written before "閉じる".
    QCOMPARE(m_settings.read(u"TimeSig"_s, u"30"_s), u"ex"_s);
    QSignalSpy schedule(&services().schedule, &ScheduleService::scheduleChanged);
    QSignalSpy texts(&services().schedule, &ScheduleService::textsChanged);
    click(*dlg, CTimeSignalDlg::IdClose);
    // Saved through the service, which hands the scheduler what it saved.
    QCOMPARE(schedule.size(), 1);
    QCOMPARE(services().schedule.entries().size(), 2);
    QVERIFY(!services().schedule.entries().at(0).enabled);
    QCOMPARE(texts.size(), 1);
    QCOMPARE(services().schedule.texts().hourlyOn, u"ex"_s);

    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(readSchedule().toHex(), QByteArray("320d0a"
                                                "30373a30303a30302c302c8e8e8cb195fa919781f40d0a"
                                                "32313a33303a30302c312c6162630d0a"));
    QCOMPARE(m_settings.read(u"TimeSig"_s, u"00"_s), u"ex"_s);
    QCOMPARE(m_settings.read(u"TimeSig"_s, u"30"_s, u"unset"_s), QString());
}

void TestCTimeSignalDlg::enterClosesLikeTheButton()
{
    writeSchedule(kTwoEntries);
    auto dlg = open();
    control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule)->topLevelItem(1)->setSelected(true);
    click(*dlg, CTimeSignalDlg::IdDelete);
    QSignalSpy accepted(dlg.get(), &QDialog::accepted);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    QCOMPARE(accepted.size(), 1);
    QCOMPARE(readSchedule(), QByteArray::fromHex("310d0a"
                                                 "30373a30303a30302c312c8e8e8cb195fa919781f40d0a"));
}

void TestCTimeSignalDlg::closeWithNoRowsLeavesFile()
{
    writeSchedule(kTwoEntries);
    auto dlg = open();
    auto* tree = control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule);
    for (int i = 0; i < 2; ++i) {
        tree->topLevelItem(0)->setSelected(true);
        click(*dlg, CTimeSignalDlg::IdDelete);
    }
    click(*dlg, CTimeSignalDlg::IdHourly);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdClose);

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, u"データがありません・・（；；\r定時データのみ更新します"_s);
    QCOMPARE(m_boxes->boxes[0].caption, QString());
    QCOMPARE(m_boxes->boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(readSchedule(), kTwoEntries);
    QCOMPARE(m_settings.read(u"TimeSig"_s, u"00"_s), u"ex"_s);

    // Reopening shows the old rows again.
    auto again = open();
    QCOMPARE(times(*again), (QStringList{u"07:00:00"_s, u"21:30:00"_s}));
}

void TestCTimeSignalDlg::closeKeepsLinesItCannotShow()
{
    makeList(kSample);
    writeSchedule(scheduleFile({u"21:30:00,1,abc"_s, u"99:00:00,1,hand-made"_s}));
    auto dlg = open(QTime(7, 0, 0));
    chooseList(*dlg, kSample);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    click(*dlg, CTimeSignalDlg::IdClose);
    // Counted after the rows, byte for byte.
    QCOMPARE(readSchedule().toHex(), QByteArray("330d0a"
                                                "30373a30303a30302c312c8e8e8cb195fa919781f40d0a"
                                                "32313a33303a30302c312c6162630d0a"
                                                "39393a30303a30302c312c68616e642d6d6164650d0a"));
}

void TestCTimeSignalDlg::escapeAndCloseBoxWriteNothing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Escape") << true;
    QTest::newRow("close box") << false;
}

void TestCTimeSignalDlg::escapeAndCloseBoxWriteNothing()
{
    QFETCH(bool, escape);
    makeList(kSample);
    QVERIFY(m_settings.write(u"TimeSig"_s, u"00"_s, u"ex"_s));
    writeSchedule(kTwoEntries);
    const QByteArray iniBefore = readBytes(m_settings.path());

    auto dlg = open();
    click(*dlg, CTimeSignalDlg::IdHourly);
    click(*dlg, CTimeSignalDlg::IdHalfHourly);
    chooseList(*dlg, kSample);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    QSignalSpy rejected(dlg.get(), &QDialog::rejected);
    if (escape)
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
    else
        dlg->close();
    QCOMPARE(rejected.size(), 1);
    QCOMPARE(readSchedule(), kTwoEntries);
    QCOMPARE(readBytes(m_settings.path()), iniBefore);
}

void TestCTimeSignalDlg::closeRefusesUnrepresentableName()
{
    const QString name = u"絵文字😀"_s;
    makeList(name);
    writeSchedule(kTwoEntries);
    auto dlg = open(QTime(9, 0, 0));
    chooseList(*dlg, name);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    click(*dlg, CTimeSignalDlg::IdHourly);
    m_boxes->boxes.clear();
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdClose);

    QCOMPARE(m_boxes->boxes.size(), 1);
    QVERIFY2(m_boxes->boxes[0].text.startsWith(u"時報設定ファイルを保存できませんでした"_s),
             qPrintable(m_boxes->boxes[0].text));
    QVERIFY2(m_boxes->boxes[0].text.contains(name), qPrintable(m_boxes->boxes[0].text));
    QVERIFY2(m_boxes->boxes[0].text.contains(u"（😀）"_s), qPrintable(m_boxes->boxes[0].text));
    QVERIFY(!m_boxes->boxes[0].caption.isEmpty());
    // The dialog stays open with every row, and nothing is written.
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->rows().size(), 3);
    QCOMPARE(readSchedule(), kTwoEntries);
    QCOMPARE(m_settings.read(u"TimeSig"_s, u"00"_s, u"unset"_s), u"unset"_s);

    // Without the offending row the same close succeeds.
    control<QTreeWidget>(dlg.get(), CTimeSignalDlg::IdSchedule)->topLevelItem(1)->setSelected(true);
    QCOMPARE(dlg->rows()[1].listName, name);
    click(*dlg, CTimeSignalDlg::IdDelete);
    click(*dlg, CTimeSignalDlg::IdClose);
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(readSchedule(), kTwoEntries);
    QCOMPARE(m_settings.read(u"TimeSig"_s, u"00"_s), u"ex"_s);
}

void TestCTimeSignalDlg::closeReportsWriteError()
{
    // A directory in the file's place: it cannot be read, and cannot be replaced.
    QVERIFY(m_dataDir.mkdir(u"TimeSignal.cfg"_s));
    makeList(kSample);
    auto dlg = open();
    QVERIFY(dlg->rows().isEmpty());
    chooseList(*dlg, kSample);
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdAdd);
    m_boxes->boxes.clear();
    m_boxes->expect();
    click(*dlg, CTimeSignalDlg::IdClose);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QVERIFY2(m_boxes->boxes[0].text.startsWith(u"時報設定ファイルを保存できませんでした"_s),
             qPrintable(m_boxes->boxes[0].text));
    QCOMPARE(m_boxes->boxes[0].icon, MsgIcon::Warning);
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->rows().size(), 1);
    QCOMPARE(m_settings.read(u"TimeSig"_s, u"00"_s, u"unset"_s), u"unset"_s);
}

void TestCTimeSignalDlg::editorOkWritesTextsAtOnce_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("fixedPart");
    QTest::addColumn<QString>("headKey");
    QTest::addColumn<QString>("tailKey");
    QTest::addColumn<QString>("otherHeadKey");
    QTest::newRow("hourly") << int(CTimeSignalDlg::IdEditHourly) << u"xx時"_s << u"00H"_s
                            << u"00F"_s << u"30H"_s;
    QTest::newRow("half-hourly") << int(CTimeSignalDlg::IdEditHalfHourly) << u"xx時30分"_s
                                 << u"30H"_s << u"30F"_s << u"00H"_s;
}

void TestCTimeSignalDlg::editorOkWritesTextsAtOnce()
{
    QFETCH(int, button);
    QFETCH(QString, fixedPart);
    QFETCH(QString, headKey);
    QFETCH(QString, tailKey);
    QFETCH(QString, otherHeadKey);
    QVERIFY(m_settings.write(u"TimeSig"_s, headKey, u"old head"_s));
    QVERIFY(m_settings.write(u"TimeSig"_s, tailKey, u"old tail"_s));
    QVERIFY(m_settings.write(u"TimeSig"_s, otherHeadKey, u"other"_s));

    int runs = 0;
    QStringList seen; // head, tail and fixed part as the editor opened
    tolvane::ui::setDialogRunner([&](QDialog& d) -> int {
        ++runs;
        auto* editor = qobject_cast<CEditTimeMesDlg*>(&d);
        if (!editor)
            return QDialog::Rejected;
        seen = QStringList{editor->head(), editor->tail(),
                           control<QLineEdit>(editor, CEditTimeMesDlg::IdFixedPart)->text()};
        control<QLineEdit>(editor, CEditTimeMesDlg::IdHead)->setText(u"ただいま %s "_s);
        control<QLineEdit>(editor, CEditTimeMesDlg::IdTail)->setText(u"です！"_s);
        return QDialog::Accepted;
    });
    auto dlg = open();
    QSignalSpy texts(&services().schedule, &ScheduleService::textsChanged);
    click(*dlg, button);
    QCOMPARE(runs, 1);
    QCOMPARE(texts.size(), 1);
    QCOMPARE(seen, (QStringList{u"old head"_s, u"old tail"_s, fixedPart}));
    QCOMPARE(m_settings.read(u"TimeSig"_s, headKey), u"ただいま %s "_s);
    QCOMPARE(m_settings.read(u"TimeSig"_s, tailKey), u"です！"_s);
    QCOMPARE(m_settings.read(u"TimeSig"_s, otherHeadKey), u"other"_s);

    // Leaving with Escape keeps what the editor saved.
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    QCOMPARE(dlg->result(), int(QDialog::Rejected));
    QCOMPARE(m_settings.read(u"TimeSig"_s, tailKey), u"です！"_s);

    // The next run of the editor starts from the saved texts.
    QString tailSeen;
    tolvane::ui::setDialogRunner([&](QDialog& d) -> int {
        if (auto* editor = qobject_cast<CEditTimeMesDlg*>(&d))
            tailSeen = editor->tail();
        return QDialog::Rejected;
    });
    auto again = open();
    click(*again, button);
    QCOMPARE(tailSeen, u"です！"_s);
}

void TestCTimeSignalDlg::editorCancelWritesNothing()
{
    tolvane::ui::setDialogRunner([](QDialog& d) -> int {
        if (auto* editor = qobject_cast<CEditTimeMesDlg*>(&d))
            control<QLineEdit>(editor, CEditTimeMesDlg::IdHead)->setText(u"changed"_s);
        return QDialog::Rejected;
    });
    auto dlg = open();
    click(*dlg, CTimeSignalDlg::IdEditHourly);
    click(*dlg, CTimeSignalDlg::IdEditHalfHourly);
    QVERIFY(!QFile::exists(m_settings.path()));
    QCOMPARE(dlg->texts().hourlyHead, QString());
}

void TestCTimeSignalDlg::newListRefillsCombo()
{
    makeList(kSample);
    auto dlg = open();
    auto* combo = control<QComboBox>(dlg.get(), CTimeSignalDlg::IdLists);

    // Cancelled: the combo box is left as it was.
    tolvane::ui::setDialogRunner([this](QDialog& d) -> int {
        if (qobject_cast<CMakeMes*>(&d))
            (void)services().lists.save(u"cancelled"_s, {u"x"_s}); // saved elsewhere
        return QDialog::Rejected;
    });
    chooseList(*dlg, kSample);
    click(*dlg, CTimeSignalDlg::IdNewList);
    QCOMPARE(combo->count(), 1);
    QCOMPARE(combo->currentIndex(), 0);

    // The editor saves through the same list service.
    tolvane::ui::setDialogRunner([](QDialog& d) -> int {
        auto* editor = qobject_cast<CMakeMes*>(&d);
        if (!editor)
            return QDialog::Rejected;
        control<QLineEdit>(editor, CMakeMes::IdTitle)->setText(u"新しいリスト"_s);
        control<QLineEdit>(editor, CMakeMes::IdMessage)->setText(u"x"_s);
        QTest::mouseClick(control<QPushButton>(editor, CMakeMes::IdAdd), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(editor, 1), Qt::LeftButton);
        return editor->result();
    });
    click(*dlg, CTimeSignalDlg::IdNewList);
    QVERIFY(combo->findText(u"新しいリスト"_s, Qt::MatchExactly) >= 0);
    QVERIFY(combo->findText(u"cancelled"_s, Qt::MatchExactly) >= 0);
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->currentIndex(), -1);
}

QTEST_MAIN(TestCTimeSignalDlg)
#include "TestCTimeSignalDlg.moc"
