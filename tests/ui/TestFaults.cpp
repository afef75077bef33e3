// Faults from outside, end to end: a server that closes mid-frame, refuses the
// connection or announces a frame too large to take; a data directory that turns
// read-only, vanishes or fills up while the operator saves. Each ends with nothing
// lost and the operator told where the console tells.

#include "BoxRecorder.h"
#include "DeskFixture.h"
#include "FileBytes.h"
#include "FileServices.h"
#include "FileSystemFaults.h"
#include "FileWriteFailure.h"

#include "broadcast/MessageListStore.h"
#include "console/StatusTexts.h"
#include "settings/IniSettings.h"
#include "timesignal/TimeSignalFile.h"
#include "ui/CMakeMes.h"
#include "ui/CTimeSignalDlg.h"
#include "ui/CTolvaneDeskDlg.h"
#include "ui/ControlTable.h"
#include "ui/MainWindowLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using testsupport::allEntries;
using testsupport::readBytes;
using namespace Qt::StringLiterals;
using namespace tolvane;
using namespace tolvane::ui;
using testsupport::BoxRecorder;
using testsupport::FakeServer;
using testsupport::ManualTimeSource;

namespace {

const QString kNoConnection =
    u"ヴェルミラ鯖とコネクションが取れません\r鯖設定を確認してトルヴェインを再起動して下さい"_s;
const QString kListWriteFailed =
    u"メッセージリスト「%1」を書き込めませんでした・・（；；\rデータディレクトリを確認して下さい"_s;
const QString kScheduleWriteFailed =
    u"時報設定ファイルを保存できませんでした・・（；；\rデータディレクトリを確認して下さい"_s;
const QString kCannotSave = u"保存できません・・・"_s;

// What the operator sees of the main window's controls: enabled or not, and texts.
QMap<int, QString> controlsAsSeen(const CTolvaneDeskDlg& w)
{
    QMap<int, QString> seen;
    for (const ControlSpec& spec : mainwindow::controls()) {
        if (spec.id == kNoId)
            continue;
        const QWidget* c = w.controlWidget(spec.id);
        QString text = c->isEnabled() ? u"on"_s : u"off"_s;
        if (const auto* edit = qobject_cast<const QLineEdit*>(c))
            text += u" "_s + edit->text();
        seen.insert(spec.id, text);
    }
    return seen;
}

// The same without the status box, whose text the replies change.
QMap<int, QString> controlsBesidesStatus(const CTolvaneDeskDlg& w)
{
    QMap<int, QString> seen = controlsAsSeen(w);
    seen.remove(mainwindow::IDC_STATUS);
    return seen;
}

// `path` made read-only for as long as this lives: by its permission bits, or where
// those bind nothing (root) by a read-only bind mount. reason() says why neither
// worked.
class ReadOnlyDataDirectory
{
public:
    explicit ReadOnlyDataDirectory(const QString& path)
    {
        m_bits = std::make_unique<tolvane::testing::ReadOnlyDirectory>(path);
        if (!tolvane::testing::canCreateFileIn(QDir(path)))
            return;
        m_bits.reset();
        m_mount = tolvane::testing::ScopedMount::readOnlyBind(path);
        if (m_mount->active() && !tolvane::testing::canCreateFileIn(QDir(path)))
            return;
        m_reason = u"this user writes into read-only directories, and a read-only bind mount "
                   "could not be made ("_s +
                   (m_mount->active() ? u"it stayed writable"_s : m_mount->error()) + u")"_s;
        m_mount.reset();
    }
    bool ok() const { return m_reason.isEmpty(); }
    QString reason() const { return m_reason; }

private:
    std::unique_ptr<tolvane::testing::ReadOnlyDirectory> m_bits;
    std::unique_ptr<tolvane::testing::ScopedMount> m_mount;
    QString m_reason;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

    std::unique_ptr<testsupport::DeskFixture> m_desk;

    QDir dataDir() const { return m_desk->dataDir(); }

    static void clickButton(QWidget* dialog, int id)
    {
        QPushButton* b = control<QPushButton>(dialog, id);
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    static void addLine(CMakeMes& editor, const QString& line)
    {
        control<QLineEdit>(&editor, CMakeMes::IdMessage)->setText(line);
        clickButton(&editor, CMakeMes::IdAdd);
    }

    static void addScheduleRow(CTimeSignalDlg& dlg, const QString& list)
    {
        auto* lists = control<QComboBox>(&dlg, CTimeSignalDlg::IdLists);
        lists->setCurrentIndex(lists->findText(list));
        QVERIFY(lists->currentIndex() >= 0);
        clickButton(&dlg, CTimeSignalDlg::IdAdd);
    }

private Q_SLOTS:
    void init()
    {
        m_desk = std::make_unique<testsupport::DeskFixture>();
        m_desk->makeDataDirectory(); // no first-start boxes
    }
    void cleanup() { m_desk.reset(); }

    void serverClosesMidFrame_data();
    void serverClosesMidFrame();
    void refusedConnectionShowsOneBox();
    void oversizedFrameClosesTheLink_data();
    void oversizedFrameClosesTheLink();
    void listSaveIntoReadOnlyDirectory();
    void scheduleSaveIntoReadOnlyDirectory();
    void listSaveAfterDataDirectoryBecameAFile();
    void savesOnFullDisk();
    void firstStartOnFullDisk();
    void firstStartInReadOnlyProgramDirectory();
};

void TestFaults::serverClosesMidFrame_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("orderly close") << false;
    QTest::newRow("connection reset") << true;
}

void TestFaults::serverClosesMidFrame()
{
    QFETCH(bool, reset);
    m_desk->makeDataDirectory({{u"list"_s, {u"one"_s, u"two"_s}}});
    BoxRecorder boxes;
    FakeServer server;
    CTolvaneDeskDlg& w = m_desk->open(server.port(), true);
    QSignalSpy frames(m_desk->connection, &net::ServerConnection::frameReceived);
    QVERIFY(m_desk->acceptLogin(server, 5));
    QCOMPARE(frames.size(), 2);
    const QMap<int, QString> before = controlsBesidesStatus(w);

    // In one last write: a whole player count of 6, then one of 7 cut after its fifth
    // payload byte; then the server goes. The whole frame counts, the cut one never.
    server.reply(QByteArray::fromHex("08000000e22e"
                                     "0100000006000000"
                                     "08000000e22e"
                                     "0100000007"));
    if (!reset)
        server.closeOrderly();
    else if (!server.reset())
        QSKIP("this system cannot reset a connection");
    QTRY_VERIFY(!m_desk->connection->isConnected());
    ManualTimeSource::deliverPostedEvents();

    QCOMPARE(frames.size(), 3);
    // No player count is left on show, and what sends is off until the link is back.
    QCOMPARE(m_desk->status(), console::status::kLost);
    QVERIFY(!w.controlWidget(mainwindow::IDC_LIVE_SEND)->isEnabled());
    QVERIFY(w.controlWidget(mainwindow::IDC_LOGIN)->isEnabled());

    // The console comes back by itself, without a box, and logs in again.
    m_desk->time.advance(0);
    QTRY_COMPARE(server.connections(), 2);
    QVERIFY(m_desk->acceptLogin(server, 9));
    QCOMPARE(controlsBesidesStatus(w), before);
}

void TestFaults::refusedConnectionShowsOneBox()
{
    quint16 port = 0;
    {
        FakeServer closed;
        port = closed.port();
    }
    BoxRecorder boxes;
    boxes.expect();
    CTolvaneDeskDlg& w = m_desk->open(port, true);
    ManualTimeSource::deliverPostedEvents();
    const QMap<int, QString> before = controlsBesidesStatus(w);

    QTRY_COMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes[0].text, kNoConnection);
    QCOMPARE(boxes.boxes[0].caption, u"通信不能（；；"_s);
    QCOMPARE(boxes.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m_desk->status(), console::status::kCannotConnect);

    // Tried again by itself after 1, 2 and 4 s: the status tells, no box does. Some
    // socket layers (Windows') may report the refusal before advance() returns, so
    // the attempt is counted rather than caught in its Connecting state.
    int attempts = 0;
    connect(&w.controller(), &console::ConsoleController::linkStateChanged, this,
            [&attempts](console::LinkState state) {
                attempts += state == console::LinkState::Connecting ? 1 : 0;
            });
    for (int wait : {1000, 2000, 4000}) {
        m_desk->time.advance(wait - 1);
        ManualTimeSource::deliverPostedEvents();
        QCOMPARE(attempts, 0);
        m_desk->time.advance(1);
        QTRY_COMPARE(attempts, 1);
        QTRY_COMPARE(w.controller().linkState(), console::LinkState::Unreachable);
        attempts = 0;
    }
    QCOMPARE(boxes.boxes.size(), 1);
    ManualTimeSource::deliverPostedEvents();
    QCOMPARE(controlsBesidesStatus(w), before);
    QCOMPARE(m_desk->status(), console::status::kCannotConnect);
}

void TestFaults::oversizedFrameClosesTheLink_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("1 MiB + 1") << QByteArray::fromHex("01001000e22e");
    QTest::newRow("4 GiB - 1") << QByteArray::fromHex("ffffffffe22e");
}

void TestFaults::oversizedFrameClosesTheLink()
{
    QFETCH(QByteArray, header);
    BoxRecorder boxes;
    FakeServer server;
    m_desk->open(server.port(), true);
    QSignalSpy frames(m_desk->connection, &net::ServerConnection::frameReceived);
    QVERIFY(m_desk->acceptLogin(server, 3));

    // A frame of exactly 1 MiB of payload is still taken (a command nobody reads).
    server.reply(QByteArray::fromHex("00001000ff7f") + QByteArray(1024 * 1024, 'x'));
    QTRY_COMPARE(frames.size(), 3);

    // One byte more is refused: the link closes; nothing of that frame or after it is
    // dispatched, while the whole frame before it in the same write still counts.
    server.reply(QByteArray::fromHex("08000000e22e0100000008000000") + header +
                 QByteArray(4096, '\1') + QByteArray::fromHex("08000000e22e0100000009000000"));
    QTRY_VERIFY(!m_desk->connection->isConnected());
    ManualTimeSource::deliverPostedEvents();
    QCOMPARE(frames.size(), 4);
    QCOMPARE(m_desk->status(), console::status::kLost);
    QTRY_COMPARE(server.socket()->state(), QAbstractSocket::UnconnectedState);
    // A new connection is made at once.
    m_desk->time.advance(0);
    QTRY_COMPARE(server.connections(), 2);
}

void TestFaults::listSaveIntoReadOnlyDirectory()
{
    const QDir dir = dataDir();
    QVERIFY(broadcast::WriteListFile(dir, u"定番"_s, {u"a"_s, u"b"_s}).ok());
    const QByteArray old = readBytes(dir.filePath(u"定番"_s));
    QCOMPARE(old, QByteArray("2\r\na\r\nb\r\n"));

    BoxRecorder boxes;
    testsupport::FileServices files(dir, m_desk->ini);
    CMakeMes editor(files.lists, u"定番"_s);
    editor.show();
    addLine(editor, u"c"_s);
    {
        ReadOnlyDataDirectory readOnly(dir.path());
        if (!readOnly.ok())
            QSKIP(qPrintable(readOnly.reason()));
        boxes.expect(QMessageBox::Ok, 2);
        clickButton(&editor, 1);
        QCOMPARE(boxes.texts(), QStringList{kListWriteFailed.arg(u"定番"_s)});
        QCOMPARE(boxes.boxes[0].caption, kCannotSave);
        QVERIFY(editor.isVisible());
        QCOMPARE(readBytes(dir.filePath(u"定番"_s)), old);

        // A new title fares the same and leaves no file behind.
        control<QLineEdit>(&editor, CMakeMes::IdTitle)->setText(u"新作"_s);
        clickButton(&editor, 1);
        QCOMPARE(boxes.boxes.size(), 2);
        QCOMPARE(boxes.boxes[1].text, kListWriteFailed.arg(u"新作"_s));
        QVERIFY(editor.isVisible());
        QCOMPARE(allEntries(dir), QStringList{u"定番"_s});
    }
    // Nothing the operator entered was lost: once writable again, OK saves it.
    control<QLineEdit>(&editor, CMakeMes::IdTitle)->setText(u"定番"_s);
    clickButton(&editor, 1);
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(readBytes(dir.filePath(u"定番"_s)), QByteArray::fromHex("330d0a610d0a620d0a630d0a"));
}

void TestFaults::scheduleSaveIntoReadOnlyDirectory()
{
    const QDir dir = dataDir();
    QVERIFY(broadcast::WriteListFile(dir, u"morning"_s, {u"x"_s}).ok());
    QVERIFY(timesignal::WriteTimeSignalFile(
                dir, {{u"06:00:00"_s, true, u"morning"_s}, {u"08:00:00"_s, false, u"morning"_s}})
                .ok());
    const QString cfg = dir.filePath(u"TimeSignal.cfg"_s);
    const QByteArray old = readBytes(cfg);
    QCOMPARE(old, QByteArray("2\r\n06:00:00,1,morning\r\n08:00:00,0,morning\r\n"));

    BoxRecorder boxes;
    boxes.expect(); // the confirmation of the new row
    settings::IniSettings settings(m_desk->ini);
    testsupport::FileServices files(dir, m_desk->ini);
    CTimeSignalDlg dlg(files.schedule, files.lists, [] { return QTime(7, 30, 0); });
    dlg.show();
    addScheduleRow(dlg, u"morning"_s);
    QCOMPARE(dlg.rows().size(), 3);
    control<QCheckBox>(&dlg, CTimeSignalDlg::IdHourly)->click();
    boxes.boxes.clear();
    {
        ReadOnlyDataDirectory readOnly(dir.path());
        if (!readOnly.ok())
            QSKIP(qPrintable(readOnly.reason()));
        boxes.expect();
        clickButton(&dlg, CTimeSignalDlg::IdClose);
        QCOMPARE(boxes.texts(), QStringList{kScheduleWriteFailed});
        QCOMPARE(boxes.boxes[0].caption, kCannotSave);
        QCOMPARE(boxes.boxes[0].icon, MsgIcon::Warning);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.rows().size(), 3);
        QCOMPARE(readBytes(cfg), old);
        // The switches wait for the schedule: nothing is half saved.
        QCOMPARE(settings.read(u"TimeSig"_s, u"00"_s, u"unset"_s), u"unset"_s);
    }
    clickButton(&dlg, CTimeSignalDlg::IdClose);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(readBytes(cfg), QByteArray("3\r\n06:00:00,1,morning\r\n07:30:00,1,morning\r\n"
                                        "08:00:00,0,morning\r\n"));
    QCOMPARE(settings.read(u"TimeSig"_s, u"00"_s), u"ex"_s);
}

void TestFaults::listSaveAfterDataDirectoryBecameAFile()
{
    const QDir dir = dataDir();
    QVERIFY(broadcast::WriteListFile(dir, u"list"_s, {u"old"_s}).ok());
    BoxRecorder boxes;
    boxes.expect(QMessageBox::Ok, 2);
    testsupport::FileServices files(dir, m_desk->ini);
    CMakeMes editor(files.lists, u"list"_s);
    editor.show();
    addLine(editor, u"new"_s);

    // The directory is moved away and a file takes its name: it cannot be made again.
    const QString moved = m_desk->program + u"/moved"_s;
    QVERIFY(QDir().rename(dir.path(), moved));
    {
        QFile blocker(dir.path());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a directory");
    }
    clickButton(&editor, 1);
    QCOMPARE(boxes.texts(), (QStringList{u"データディレクトリにアクセスできません・・（；；"_s,
                                         kListWriteFailed.arg(u"list"_s)}));
    QVERIFY(boxes.boxes[0].caption.isEmpty());
    QCOMPARE(boxes.boxes[1].caption, kCannotSave);
    QVERIFY(editor.isVisible());
    QCOMPARE(readBytes(dir.path()), QByteArray("not a directory"));
    QCOMPARE(readBytes(moved + u"/list"_s), QByteArray("1\r\nold\r\n"));

    // Put back, the same OK saves.
    QVERIFY(QFile::remove(dir.path()));
    QVERIFY(QDir().rename(moved, dir.path()));
    clickButton(&editor, 1);
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(readBytes(dir.filePath(u"list"_s)), QByteArray("2\r\nold\r\nnew\r\n"));
}

void TestFaults::savesOnFullDisk()
{
    const QDir dir(m_desk->tempPath(u"full"_s));
    QVERIFY(QDir().mkpath(dir.path()));
    const auto disk = tolvane::testing::ScopedMount::tinyFileSystem(dir.path(), 16);
    if (!disk->active())
        QSKIP(qPrintable(u"no small file system to fill: "_s + disk->error()));

    QVERIFY(broadcast::WriteListFile(dir, u"old"_s, {u"kept"_s, u"whole"_s}).ok());
    QVERIFY(timesignal::WriteTimeSignalFile(dir, {{u"06:00:00"_s, true, u"old"_s}}).ok());
    const QByteArray oldList = readBytes(dir.filePath(u"old"_s));
    const QByteArray oldCfg = readBytes(dir.filePath(u"TimeSignal.cfg"_s));
    QCOMPARE(oldList, QByteArray("2\r\nkept\r\nwhole\r\n"));
    QCOMPARE(oldCfg, QByteArray("1\r\n06:00:00,1,old\r\n"));
    const qint64 filled = tolvane::testing::fillUp(dir);
    QVERIFY2(filled > 0 && filled <= 16 * 1024, qPrintable(QString::number(filled)));
    const QStringList entries = allEntries(dir);

    BoxRecorder boxes;
    boxes.expect(QMessageBox::Ok, 4);
    testsupport::FileServices files(dir, m_desk->ini);
    CMakeMes editor(files.lists, u"old"_s);
    editor.show();
    addLine(editor, u"and one more line"_s);
    clickButton(&editor, 1);
    control<QLineEdit>(&editor, CMakeMes::IdTitle)->setText(u"fresh"_s);
    clickButton(&editor, 1);
    QCOMPARE(boxes.texts(),
             (QStringList{kListWriteFailed.arg(u"old"_s), kListWriteFailed.arg(u"fresh"_s)}));
    QVERIFY(editor.isVisible());

    CTimeSignalDlg dlg(files.schedule, files.lists, [] { return QTime(7, 0, 0); });
    dlg.show();
    addScheduleRow(dlg, u"old"_s);
    boxes.boxes.clear();
    clickButton(&dlg, CTimeSignalDlg::IdClose);
    QCOMPARE(boxes.texts(), QStringList{kScheduleWriteFailed});
    QVERIFY(dlg.isVisible());

    // The old files are whole, and no new or partial file was left.
    QCOMPARE(readBytes(dir.filePath(u"old"_s)), oldList);
    QCOMPARE(readBytes(dir.filePath(u"TimeSignal.cfg"_s)), oldCfg);
    QCOMPARE(allEntries(dir), entries);

    // With room again, the same two saves succeed.
    QVERIFY(QFile::remove(dir.filePath(u"filler"_s)));
    clickButton(&editor, 1);
    QCOMPARE(editor.result(), int(QDialog::Accepted));
    QCOMPARE(readBytes(dir.filePath(u"fresh"_s)),
             QByteArray("3\r\nkept\r\nwhole\r\nand one more line\r\n"));
    clickButton(&dlg, CTimeSignalDlg::IdClose);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(readBytes(dir.filePath(u"TimeSignal.cfg"_s)),
             QByteArray("2\r\n06:00:00,1,old\r\n07:00:00,1,old\r\n"));
}

void TestFaults::firstStartOnFullDisk()
{
    const QString program = m_desk->program = m_desk->tempPath(u"full"_s);
    QVERIFY(QDir().mkpath(program));
    const auto disk = tolvane::testing::ScopedMount::tinyFileSystem(program, 16);
    if (!disk->active())
        QSKIP(qPrintable(u"no small file system to fill: "_s + disk->error()));
    QVERIFY(tolvane::testing::fillUp(QDir(program)) > 0);

    BoxRecorder boxes;
    boxes.expect(QMessageBox::Ok, 3);
    FakeServer server;
    CTolvaneDeskDlg& w = m_desk->open(server.port());

    // The directory is made, but neither file fits: the operator hears of both.
    const QString prep = u"トルヴェイン準備委員会(^^)"_s;
    const QString fail = u"いや～～！　＞＜；"_s;
    QCOMPARE(boxes.texts(), (QStringList{u"データディレクトリを作らせて頂きました♪"_s,
                                         u"サンプルメッセージリストファイル作成失敗！\r"
                                         "開発者にご連絡を！"_s,
                                         u"時報設定ファイル作成失敗！\r開発者にご連絡を！"_s}));
    QCOMPARE(boxes.boxes[0].caption, prep);
    QCOMPARE(boxes.boxes[1].caption, fail);
    QCOMPARE(boxes.boxes[2].caption, fail);
    // No empty or partial file stands where the files would have been.
    const QDir dir(program + u"/TolvaneData"_s);
    QCOMPARE(allEntries(dir), QStringList());
    QCOMPARE(qobject_cast<QComboBox*>(w.controlWidget(mainwindow::IDC_LIST_SELECTOR))->count(), 0);
    QVERIFY(!w.controller().status().nextList);
}

void TestFaults::firstStartInReadOnlyProgramDirectory()
{
    const QString program = m_desk->program = m_desk->tempPath(u"readonly"_s);
    QVERIFY(QDir().mkpath(program));
    ReadOnlyDataDirectory readOnly(program);
    if (!readOnly.ok())
        QSKIP(qPrintable(readOnly.reason()));

    BoxRecorder boxes;
    boxes.expect();
    FakeServer server;
    m_desk->open(server.port());

    // One box without a caption of its own, and start-up goes on.
    QCOMPARE(boxes.texts(), QStringList{u"データディレクトリが作れません・・（；；"_s});
    QVERIFY(boxes.boxes[0].caption.isEmpty());
    QVERIFY(!QFileInfo::exists(program + u"/TolvaneData"_s));
    QVERIFY(m_desk->connectedTo(server));
}

QTEST_MAIN(TestFaults)
#include "TestFaults.moc"
