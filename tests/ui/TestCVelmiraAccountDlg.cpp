#include "AccountPayloads.h"
#include "AccountServiceRig.h"
#include "BoxRecorder.h"

#include "ui/CVelmiraAccountDlg.h"
#include "ui/ControlTable.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace tolvane;
using namespace tolvane::ui;
using namespace Qt::StringLiterals;
using Dlg = CVelmiraAccountDlg;
using testsupport::AccountServiceRig;
using testsupport::BoxRecorder;
using testsupport::Detail;
using testsupport::detailPayload;
using testsupport::listPayload;
using testsupport::RecordedBox;

namespace {

const QString kConfirmCaption = u"Final Answer?"_s;
const QString kNoticeCaption = u"(^^;"_s;
const QString kNoSelection = u"アカウントが選択されていません・・（＾＾；"_s;

// The account dialog opened with show() over an account service whose requests the
// test reads back.
struct Fixture
{
    AccountServiceRig rig;
    std::unique_ptr<Dlg> dlg;

    Fixture()
    {
        dlg = std::make_unique<Dlg>(rig.service);
        dlg->show();
    }

    // The requests sent since the last call, as the server reads them.
    QStringList take() { return rig.takeRequests(); }

    template <typename T = QWidget> T* c(int id)
    {
        T* w = control<T>(dlg.get(), id);
        if (!w) // no test can go on without it
            qFatal("the account dialog has no control %d of the kind asked for", id);
        return w;
    }
    QListView* list() { return c<QListView>(Dlg::IdAccounts); }
    QString line(int row) { return list()->model()->index(row, 0).data().toString(); }
    int count() { return list()->model()->rowCount(); }
    void select(int row) { list()->setCurrentIndex(list()->model()->index(row, 0)); }
    QStringList selectedLines()
    {
        QStringList out;
        for (const QModelIndex& i : list()->selectionModel()->selectedRows())
            out.append(i.data().toString());
        return out;
    }
    QLineEdit* edit(int id) { return c<QLineEdit>(id); }
    QComboBox* combo(int id) { return c<QComboBox>(id); }
    void click(int id) { c<QPushButton>(id)->click(); }
    bool shown(int id) { return c(id)->isVisibleTo(dlg.get()); }
    bool enabled(int id) { return c(id)->isEnabled(); }

    void listArrives(const QStringList& ids)
    {
        rig.reply(protocol::CmdAccountListReply, listPayload(ids));
    }
    void detailArrives(const Detail& d)
    {
        rig.reply(protocol::CmdAccountInfoReply, detailPayload(d));
    }
    QStringList lines()
    {
        QStringList out;
        for (int i = 0; i < count(); ++i)
            out.append(line(i));
        return out;
    }
    // The list arrives, line `row` is selected, its details arrive: View.
    void view(const Detail& d = {}, int row = 0,
              const QStringList& ids = {u"abc"_s, u"def"_s, u"ghi"_s})
    {
        listArrives(ids);
        select(row);
        detailArrives(d);
        take();
    }
};

} // namespace

class TestCVelmiraAccountDlg : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<BoxRecorder> m_boxes;

private Q_SLOTS:
    void init();
    void cleanup();

    void openingRequestsListInIdle();
    void controlsFollowTable();
    void layouts_data();
    void layouts();
    void listShownInServerOrder();
    void emptyListAddsNoAccount();
    void noAccountSendsNothing();
    void largeListShownWhole();
    void selectionAsksForDetails();
    void showAccount_data();
    void showAccount();
    void md5Toggle_data();
    void md5Toggle();
    void detailReplyEndsEdit();
    void create();
    void createCancelledOrIncomplete();
    void createCutsId();
    void deleteAccount();
    void suspendAndLift();
    void sendHome();
    void authority_data();
    void authority();
    void authorityWithoutItem();
    void passwordChange();
    void nameChange();
    void nameNoticeInCreate();
    void noSelection_data();
    void noSelection();
    void listReplyWhileConfirmationOpen_data();
    void listReplyWhileConfirmationOpen();
    void noLinkSendsNothing();
    void cancel();
    void cancelWithNoAccountToAsk();
    void reloadAndClose();

private:
    void answer(QMessageBox::StandardButton b) { m_boxes->expect(b); }
    void checkConfirm(const RecordedBox& box, const QString& text);
    void checkNotice(const RecordedBox& box, const QString& text);
};

void TestCVelmiraAccountDlg::init()
{
    m_boxes = std::make_unique<BoxRecorder>();
}

void TestCVelmiraAccountDlg::cleanup()
{
    m_boxes.reset();
}

void TestCVelmiraAccountDlg::checkConfirm(const RecordedBox& box, const QString& text)
{
    QCOMPARE(box.text, text);
    QCOMPARE(box.caption, kConfirmCaption);
    QCOMPARE(box.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.icon, MsgIcon::Question);
    QCOMPARE(box.defaultButton, QMessageBox::Cancel);
}

void TestCVelmiraAccountDlg::checkNotice(const RecordedBox& box, const QString& text)
{
    QCOMPARE(box.text, text);
    QCOMPARE(box.caption, kNoticeCaption);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.icon, MsgIcon::Information);
    QCOMPARE(box.defaultButton, QMessageBox::Ok);
}

void TestCVelmiraAccountDlg::openingRequestsListInIdle()
{
    Fixture f;
    QCOMPARE(f.take(), QStringList{u"list"_s});
    QCOMPARE(f.dlg->windowTitle(), u"アカウント管理ダイアログ"_s);
    QCOMPARE(f.dlg->size(), dialogUnitsToPixels(QSize(316, 183), f.dlg->font()));

    // Until the first detail reply only selecting, "入学" and closing are usable.
    QVERIFY(f.enabled(Dlg::IdAccounts));
    QStringList usable;
    for (QPushButton* b : f.dlg->findChildren<QPushButton*>()) {
        if (b->isVisibleTo(f.dlg.get()) && b->isEnabled())
            usable.append(b->objectName());
    }
    usable.sort();
    QCOMPARE(usable, (QStringList{u"1"_s, u"1060"_s}));
    QVERIFY(!f.enabled(Dlg::IdReload));
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Nothing);

    // Showing the dialog again is not a new opening.
    f.dlg->hide();
    f.dlg->show();
    QVERIFY(f.take().isEmpty());
}

void TestCVelmiraAccountDlg::controlsFollowTable()
{
    Fixture f;
    const QList<std::pair<int, QString>> texts = {
        {1082, u"アカウントID"_s},   {1083, u"アカウントPW"_s}, {1079, u"MD5"_s},
        {1088, u"パスワード変更"_s}, {1084, u"キャラ名"_s},     {1092, u"キャラ名変更"_s},
        {1085, u"Denied"_s},         {1086, u"AuthType"_s},     {1091, u"変更"_s},
        {1087, u"ログイン状態："_s}, {1060, u"入学"_s},         {1056, u"編集"_s},
        {1058, u"退学"_s},           {1089, u"帰宅させる！"_s}, {1057, u"謹慎"_s},
        {1081, u"実行"_s},           {1080, u"キャンセル"_s},   {1059, u"再読み込み"_s},
        {1, u"管理作業終わり～"_s},
    };
    for (const auto& [id, text] : texts) {
        QWidget* w = f.c(id);
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            QCOMPARE(b->text(), text);
        else
            QCOMPARE(qobject_cast<QLabel*>(w)->text(), text);
    }
    QVERIFY(f.c<QPushButton>(1)->isDefault());
    QVERIFY(f.edit(1003)->isReadOnly());
    QCOMPARE(f.edit(1038)->echoMode(), QLineEdit::Normal);
    QCOMPARE(f.combo(1054)->count(), 2);
    QCOMPARE(f.combo(1054)->itemText(0), u"許可"_s);
    QCOMPARE(f.combo(1054)->itemText(1), u"拒否"_s);
    QCOMPARE(f.combo(1055)->count(), 3);
    QCOMPARE(f.combo(1055)->itemText(0), u"None"_s);
    QCOMPARE(f.combo(1055)->itemText(1), u"Navi"_s);
    QCOMPARE(f.combo(1055)->itemText(2), u"GM"_s);
}

namespace {
// The layout table: per control, Idle / View / Edit / Create. S shown, H hidden,
// E enabled, D disabled, O enabled exactly when the player is online, - unchanged.
struct LayoutRow
{
    int id;
    const char* cells[4];
};
const LayoutRow kLayoutTable[] = {
    {1053, {"-", "E", "D", "D"}},    {1061, {"D", "D", "D", "E"}},
    {1038, {"D", "D", "E", "E"}},    {1079, {"D", "SE", "HD", "HD"}},
    {1088, {"H", "H", "S", "H"}},    {1084, {"-", "S", "H", "H"}},
    {1039, {"D", "SD", "SE", "HD"}}, {1092, {"H", "H", "S", "S"}},
    {1054, {"H", "SD", "HD", "HD"}}, {1085, {"H", "S", "H", "H"}},
    {1055, {"H", "SD", "SE", "HD"}}, {1086, {"H", "S", "S", "H"}},
    {1091, {"H", "H", "S", "H"}},    {1060, {"E", "E", "D", "D"}},
    {1056, {"D", "E", "D", "D"}},    {1058, {"D", "E", "D", "D"}},
    {1057, {"D", "E", "D", "D"}},    {1089, {"H", "SO", "SD", "D"}},
    {1003, {"D", "D", "D", "D"}},    {1080, {"H", "HD", "SE", "SE"}},
    {1081, {"H", "H", "HD", "SE"}},  {1059, {"D", "E", "D", "D"}},
    {1, {"E", "-", "-", "-"}},
};
} // namespace

void TestCVelmiraAccountDlg::layouts_data()
{
    QTest::addColumn<QString>("path"); // steps to take; the last one applies the layout
    QTest::addColumn<int>("layout");
    QTest::addColumn<bool>("online");

    QTest::newRow("Idle") << u""_s << 0 << false;
    QTest::newRow("View, absent") << u"view0"_s << 1 << false;
    QTest::newRow("View, online") << u"view1"_s << 1 << true;
    QTest::newRow("Edit") << u"view1 edit"_s << 2 << true;
    QTest::newRow("Create from View") << u"view0 enrol"_s << 3 << false;
    QTest::newRow("Create from Idle") << u"enrol"_s << 3 << false;
    QTest::newRow("View after Edit") << u"view1 edit view0"_s << 1 << false;
    QTest::newRow("Edit after Create") << u"enrol view1 edit"_s << 2 << true;
}

void TestCVelmiraAccountDlg::layouts()
{
    QFETCH(QString, path);
    QFETCH(int, layout);
    QFETCH(bool, online);

    Fixture f;
    f.listArrives({u"abc"_s});
    f.select(0);
    struct State
    {
        bool shown, enabled;
    };
    QHash<int, State> before;
    const QStringList steps = path.split(u' ', Qt::SkipEmptyParts);
    for (int i = 0; i < steps.size(); ++i) {
        if (i == steps.size() - 1) {
            for (const LayoutRow& r : kLayoutTable)
                before.insert(r.id, {f.shown(r.id), f.enabled(r.id)});
        }
        const QString& s = steps[i];
        if (s == u"view0" || s == u"view1") {
            Detail d;
            d.state = s == u"view1" ? 1 : 0;
            f.detailArrives(d);
        } else if (s == u"edit") {
            f.click(Dlg::IdEdit);
        } else if (s == u"enrol") {
            f.click(Dlg::IdEnrol);
        }
    }
    if (steps.isEmpty()) {
        // At the opening every control was visible and enabled.
        for (const LayoutRow& r : kLayoutTable)
            before.insert(r.id, {true, true});
    }
    QCOMPARE(f.dlg->playerOnline(), online);

    for (const LayoutRow& r : kLayoutTable) {
        const QByteArray cell = r.cells[layout];
        const QByteArray where = "control " + QByteArray::number(r.id) + " cell " + cell;
        bool shown = before[r.id].shown;
        bool enabled = before[r.id].enabled;
        for (const char c : cell) {
            if (c == 'S')
                shown = true;
            else if (c == 'H')
                shown = false;
            else if (c == 'E')
                enabled = true;
            else if (c == 'D')
                enabled = false;
            else if (c == 'O')
                enabled = online;
        }
        QVERIFY2(f.shown(r.id) == shown, where.constData());
        QVERIFY2(f.enabled(r.id) == enabled, where.constData());
    }
    // These three are only ever shown or hidden.
    QVERIFY(f.enabled(1088));
    QVERIFY(f.enabled(1091));
    QVERIFY(f.enabled(1092));
}

void TestCVelmiraAccountDlg::listShownInServerOrder()
{
    Fixture f;
    f.take();
    f.listArrives({u"zeta"_s, u"alpha"_s, u"Mike"_s});
    QCOMPARE(f.lines(), (QStringList{u"zeta"_s, u"alpha"_s, u"Mike"_s}));
    QVERIFY(f.selectedLines().isEmpty());
    QVERIFY(f.take().isEmpty());

    f.select(2);
    f.listArrives({u"b"_s, u"a"_s});
    QCOMPARE(f.lines(), (QStringList{u"b"_s, u"a"_s}));
    QVERIFY(f.selectedLines().isEmpty());
    // Refilling is no selection change of the operator's.
    QCOMPARE(f.take(), QStringList{u"info Mike"_s});
}

void TestCVelmiraAccountDlg::emptyListAddsNoAccount()
{
    Fixture f;
    f.listArrives({});
    f.listArrives({});
    QCOMPARE(f.lines(), (QStringList{u"no account"_s, u"no account"_s}));

    f.listArrives({u"zeta"_s, u"alpha"_s});
    f.select(0);
    f.take();
    f.listArrives({});
    // Placed in alphabetical order, the other lines kept where they were.
    QCOMPARE(f.lines(), (QStringList{u"no account"_s, u"zeta"_s, u"alpha"_s}));
    QCOMPARE(f.selectedLines(), QStringList{u"zeta"_s});

    f.listArrives({u"Apple"_s, u"Pear"_s});
    f.listArrives({});
    QCOMPARE(f.lines(), (QStringList{u"Apple"_s, u"no account"_s, u"Pear"_s}));
    QVERIFY(f.take().isEmpty());
}

void TestCVelmiraAccountDlg::noAccountSendsNothing()
{
    Fixture f;
    f.view(Detail{}, 0, {u"abc"_s, u"xyz"_s});
    const QString idBefore = f.edit(1061)->text();
    f.listArrives({});
    QCOMPARE(f.lines(), (QStringList{u"abc"_s, u"no account"_s, u"xyz"_s}));

    f.select(1); // "no account" names no account
    QVERIFY(f.take().isEmpty());
    QCOMPARE(f.edit(1061)->text(), idBefore);
    // A line of the older list still names its own account.
    f.select(2);
    QCOMPARE(f.take(), QStringList{u"info xyz"_s});
}

void TestCVelmiraAccountDlg::largeListShownWhole()
{
    Fixture f;
    QStringList ids;
    for (int i = 0; i < 10000; ++i)
        ids.append(u"user"_s + QString::number(i));
    f.listArrives(ids);
    QCOMPARE(f.count(), 10000);
    QCOMPARE(f.line(0), u"user0"_s);
    QCOMPARE(f.line(9999), u"user9999"_s);
    f.take();
    f.select(9999);
    QCOMPARE(f.take(), QStringList{u"info user9999"_s});
}

void TestCVelmiraAccountDlg::selectionAsksForDetails()
{
    Fixture f;
    f.listArrives({u"abc"_s, u"def"_s});
    f.take();
    f.select(1);
    QCOMPARE(f.take(), QStringList{u"info def"_s});
    // The keyboard moves the selection as a click does.
    QTest::keyClick(f.list(), Qt::Key_Up);
    QCOMPARE(f.take(), QStringList{u"info abc"_s});
    QTest::keyClick(f.list(), Qt::Key_End);
    QCOMPARE(f.take(), QStringList{u"info def"_s});
    // Nothing selected any more: the first account of the list.
    f.list()->clearSelection();
    QCOMPARE(f.take(), QStringList{u"info abc"_s});
}

void TestCVelmiraAccountDlg::showAccount_data()
{
    QTest::addColumn<int>("permission");
    QTest::addColumn<int>("authority");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("permissionText");
    QTest::addColumn<QString>("suspendText");
    QTest::addColumn<QString>("authorityText");
    QTest::addColumn<QString>("stateText");

    QTest::newRow("allowed None absent")
        << 0 << 0 << 0 << u"許可"_s << u"謹慎処分！"_s << u"None"_s << u"不在"_s;
    QTest::newRow("denied Navi online")
        << 1 << 1 << 1 << u"拒否"_s << u"謹慎解除"_s << u"Navi"_s << u"ログイン中♪"_s;
    QTest::newRow("GM, state 200")
        << 0 << 2 << 200 << u"許可"_s << u"謹慎処分！"_s << u"GM"_s << u"ログイン中♪"_s;
    QTest::newRow("bytes outside the items")
        << 7 << 9 << 0 << QString() << u"謹慎解除"_s << QString() << u"不在"_s;
}

void TestCVelmiraAccountDlg::showAccount()
{
    QFETCH(int, permission);
    QFETCH(int, authority);
    QFETCH(int, state);
    QFETCH(QString, permissionText);
    QFETCH(QString, suspendText);
    QFETCH(QString, authorityText);
    QFETCH(QString, stateText);

    Fixture f;
    Detail d;
    d.id = u"勇者の友"_s;
    d.name = u"キャラクター名前十二文字"_s;
    d.permission = quint8(permission);
    d.authority = quint8(authority);
    d.state = quint8(state);
    f.view(d, 0, {u"勇者の友"_s});

    QCOMPARE(f.edit(1061)->text(), u"勇者の友"_s);
    QCOMPARE(f.edit(1038)->text(), u"*****"_s);
    QCOMPARE(f.edit(1039)->text(), u"キャラクター名前十二文字"_s);
    QCOMPARE(f.combo(1054)->currentText(), permissionText);
    QCOMPARE(f.c<QPushButton>(1057)->text(), suspendText);
    QCOMPARE(f.combo(1055)->currentText(), authorityText);
    QCOMPARE(f.edit(1003)->text(), stateText);
    QCOMPARE(f.enabled(1089), state != 0);
}

void TestCVelmiraAccountDlg::md5Toggle_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("click") << u"click"_s;
    QTest::newRow("Space key") << u"space"_s;
    QTest::newRow("assistive Toggle action") << u"toggle"_s;
}

void TestCVelmiraAccountDlg::md5Toggle()
{
    QFETCH(QString, how);
    Fixture f;
    f.view();
    auto* md5 = f.c<QCheckBox>(1079);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(md5);
    QVERIFY(accessible && accessible->actionInterface());
    QCOMPARE(accessible->text(QAccessible::Name), u"MD5"_s);
    const QString toggleAction = QAccessibleActionInterface::toggleAction();
    QVERIFY(accessible->actionInterface()->actionNames().contains(toggleAction));
    const auto tick = [&] {
        if (how == u"click")
            md5->click();
        else if (how == u"space")
            QTest::keyClick(md5, Qt::Key_Space);
        else
            accessible->actionInterface()->doAction(toggleAction);
    };

    tick();
    QVERIFY(md5->isChecked());
    QCOMPARE(f.edit(1038)->text(), u"0123456789abcdef0123456789abcdef"_s);
    tick();
    QCOMPARE(f.edit(1038)->text(), u"*****"_s);

    // Ticked, the next account's digest is shown as it arrives.
    tick();
    Detail other;
    other.digest = "ffffffffffffffffffffffffffff0000";
    f.detailArrives(other);
    QCOMPARE(f.edit(1038)->text(), u"ffffffffffffffffffffffffffff0000"_s);
}

void TestCVelmiraAccountDlg::detailReplyEndsEdit()
{
    Fixture f;
    f.view();
    f.click(Dlg::IdEdit);
    QVERIFY(f.shown(1088));
    QCOMPARE(f.edit(1038)->text(), QString());
    f.detailArrives({});
    QVERIFY(!f.shown(1088));
    QVERIFY(f.enabled(Dlg::IdEdit));
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Editing);
}

void TestCVelmiraAccountDlg::create()
{
    Fixture f;
    f.view();
    f.click(Dlg::IdEnrol);
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Creating);
    QCOMPARE(f.edit(1061)->text(), QString());
    QCOMPARE(f.edit(1038)->text(), QString());
    QCOMPARE(f.edit(1039)->text(), QString());

    f.edit(1061)->setText(u"abc"_s);
    f.edit(1038)->setText(u"パスワード"_s);
    answer(QMessageBox::Ok);
    f.click(Dlg::IdExecute);

    QCOMPARE(m_boxes->boxes.size(), 1);
    checkConfirm(m_boxes->boxes[0], u"ID=abc "_s);
    QCOMPARE(f.take(), (QStringList{u"create abc"_s, u"list"_s}));
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Nothing);
    // View, and the boxes keep the typed texts.
    QVERIFY(!f.shown(1081));
    QVERIFY(f.enabled(1060));
    QCOMPARE(f.edit(1061)->text(), u"abc"_s);
    QCOMPARE(f.edit(1038)->text(), u"パスワード"_s);
}

void TestCVelmiraAccountDlg::createCancelledOrIncomplete()
{
    Fixture f;
    f.take();
    // Not creating: "実行" does nothing (hidden in Idle, but not disabled).
    f.edit(1061)->setText(u"abc"_s);
    f.edit(1038)->setText(u"pw"_s);
    f.click(Dlg::IdExecute);

    f.click(Dlg::IdEnrol);
    f.edit(1061)->setText(u"abc"_s);
    f.click(Dlg::IdExecute); // no password
    f.edit(1061)->clear();
    f.edit(1038)->setText(u"pw"_s);
    f.click(Dlg::IdExecute); // no ID

    f.edit(1061)->setText(u"abc"_s);
    answer(QMessageBox::Cancel);
    f.click(Dlg::IdExecute);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QVERIFY(f.take().isEmpty());
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Creating);
    QVERIFY(f.shown(1081));
    QVERIFY(f.enabled(1081));
}

void TestCVelmiraAccountDlg::createCutsId()
{
    Fixture f;
    f.take();
    f.click(Dlg::IdEnrol);
    f.edit(1061)->setText(QString(30, u'i'));
    f.edit(1038)->setText(QString(40, u'p'));
    answer(QMessageBox::Ok);
    f.click(Dlg::IdExecute);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, u"ID="_s + QString(24, u'i') + u" "_s);
    QCOMPARE(f.take(), (QStringList{u"create "_s + QString(24, u'i'), u"list"_s}));
}

void TestCVelmiraAccountDlg::deleteAccount()
{
    Fixture f;
    Detail d;
    d.id = u"def"_s;
    d.name = u"勇者"_s;
    f.view(d, 1);

    answer(QMessageBox::Cancel);
    f.click(Dlg::IdDelete);
    QCOMPARE(m_boxes->boxes.size(), 1);
    checkConfirm(m_boxes->boxes[0], u"！！∑　defを退学させますか？"_s);
    QVERIFY(f.take().isEmpty());
    QCOMPARE(f.edit(1061)->text(), u"def"_s);

    answer(QMessageBox::Ok);
    f.click(Dlg::IdDelete);
    QCOMPARE(f.take(), (QStringList{u"delete def"_s, u"list"_s}));
    QCOMPARE(f.edit(1061)->text(), QString());
    QCOMPARE(f.edit(1038)->text(), QString());
    QCOMPARE(f.edit(1039)->text(), u"勇者"_s);

    f.listArrives({u"abc"_s, u"ghi"_s});
    QCOMPARE(f.lines(), (QStringList{u"abc"_s, u"ghi"_s}));
    QVERIFY(f.selectedLines().isEmpty());
    QVERIFY(f.enabled(Dlg::IdDelete)); // the View layout stays
}

void TestCVelmiraAccountDlg::suspendAndLift()
{
    Fixture f;
    f.view();
    QCOMPARE(f.c<QPushButton>(1057)->text(), u"謹慎処分！"_s);

    answer(QMessageBox::Cancel);
    f.click(Dlg::IdSuspend);
    QVERIFY(f.take().isEmpty());
    QCOMPARE(f.combo(1054)->currentIndex(), 0);

    answer(QMessageBox::Ok);
    f.click(Dlg::IdSuspend);
    checkConfirm(m_boxes->boxes.last(), u"！！∑　「abc」を謹慎させますか？"_s);
    QCOMPARE(f.take(), QStringList{u"change abc 4"_s});
    QCOMPARE(f.combo(1054)->currentText(), u"拒否"_s);
    QCOMPARE(f.c<QPushButton>(1057)->text(), u"謹慎解除"_s);

    answer(QMessageBox::Ok);
    f.click(Dlg::IdSuspend);
    checkConfirm(m_boxes->boxes.last(), u"「abc」の謹慎を解除しますか？"_s);
    QCOMPARE(f.take(), QStringList{u"change abc 5"_s});
    QCOMPARE(f.combo(1054)->currentText(), u"許可"_s);
    QCOMPARE(f.c<QPushButton>(1057)->text(), u"謹慎処分！"_s);
    QCOMPARE(m_boxes->boxes.size(), 3);
}

void TestCVelmiraAccountDlg::sendHome()
{
    Fixture f;
    Detail d;
    d.state = 1;
    f.view(d, 2, {u"x"_s, u"y"_s, u"abc"_s});
    QVERIFY(f.enabled(1089));

    answer(QMessageBox::Ok);
    f.click(Dlg::IdSendHome);
    QCOMPARE(m_boxes->boxes.size(), 1);
    checkConfirm(m_boxes->boxes[0], u"！！∑　「abc」をただちに強制帰宅させますか？"_s);
    QCOMPARE(f.take(), QStringList{u"change abc 3"_s});
    QCOMPARE(f.edit(1003)->text(), u"不在"_s);
    QVERIFY(!f.dlg->playerOnline());
    QVERIFY(!f.enabled(1089));
}

void TestCVelmiraAccountDlg::authority_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("kind");
    QTest::newRow("None") << 0 << u"none"_s << 6;
    QTest::newRow("Navi") << 1 << u"navi"_s << 7;
    QTest::newRow("GM") << 2 << u"GM"_s << 8;
}

void TestCVelmiraAccountDlg::authority()
{
    QFETCH(int, item);
    QFETCH(QString, word);
    QFETCH(int, kind);

    Fixture f;
    Detail d;
    d.authority = 2;
    f.view(d, 1, {u"abc"_s, u"勇者"_s});
    f.click(Dlg::IdEdit);
    f.combo(1055)->setCurrentIndex(item);
    answer(QMessageBox::Ok);
    f.click(Dlg::IdChangeAuthority);

    QCOMPARE(m_boxes->boxes.size(), 1);
    checkConfirm(m_boxes->boxes[0], u"「勇者」の権限を「"_s + word + u"」に変更しますか？"_s);
    QCOMPARE(f.take(), QStringList{u"change 勇者 "_s + QString::number(kind)});
    QVERIFY(!f.shown(1091)); // View
    QCOMPARE(f.combo(1055)->currentIndex(), item);
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Editing);
}

void TestCVelmiraAccountDlg::authorityWithoutItem()
{
    Fixture f;
    Detail d;
    d.authority = 9;
    f.view(d);
    f.click(Dlg::IdEdit);
    QCOMPARE(f.combo(1055)->currentIndex(), -1);
    answer(QMessageBox::Ok);
    f.click(Dlg::IdChangeAuthority);
    checkConfirm(m_boxes->boxes.value(0), u"「abc」の権限を「」に変更しますか？"_s);
    QVERIFY(f.take().isEmpty());
    QVERIFY(!f.shown(1091));
}

void TestCVelmiraAccountDlg::passwordChange()
{
    Fixture f;
    f.view(Detail{}, 1);
    f.click(Dlg::IdEdit);
    answer(QMessageBox::Ok);
    f.click(Dlg::IdChangePassword);
    QCOMPARE(m_boxes->boxes.size(), 1);
    checkNotice(m_boxes->boxes[0], u"パスワード入力しないと\r変更できないですよ・・（＾＾；"_s);
    QVERIFY(f.take().isEmpty());
    QVERIFY(f.shown(1088)); // still Edit

    f.edit(1038)->setText(QString(40, u'p'));
    f.click(Dlg::IdChangePassword);
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(f.take(), QStringList{u"change def 1"_s});
    QCOMPARE(f.edit(1038)->text(), QString(40, u'p'));
    QVERIFY(!f.shown(1088));
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Nothing);
}

void TestCVelmiraAccountDlg::nameChange()
{
    Fixture f;
    f.view(Detail{}, 2);
    f.click(Dlg::IdEdit);
    // "キャラ名" is hidden while the name box is open for input.
    QVERIFY(!f.shown(1084));
    QVERIFY(f.shown(1039));
    QVERIFY(f.enabled(1039));

    f.edit(1039)->clear();
    answer(QMessageBox::Ok);
    f.click(Dlg::IdChangeName);
    QCOMPARE(m_boxes->boxes.size(), 1);
    checkNotice(m_boxes->boxes[0], u"名前入力しないと\r変更できないですよ・・（＾＾；"_s);
    QVERIFY(f.take().isEmpty());

    f.edit(1039)->setText(u"キャラクター名前十二文字と少し"_s);
    f.click(Dlg::IdChangeName);
    QCOMPARE(f.take(), QStringList{u"change ghi 2 キャラクター名前十二文字"_s});
    QVERIFY(f.shown(1084));
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Nothing);
}

void TestCVelmiraAccountDlg::nameNoticeInCreate()
{
    Fixture f;
    f.view();
    f.click(Dlg::IdEnrol);
    QVERIFY(f.shown(1092));
    QVERIFY(!f.shown(1039));
    answer(QMessageBox::Ok);
    f.click(Dlg::IdChangeName);
    QCOMPARE(m_boxes->boxes.size(), 1);
    checkNotice(m_boxes->boxes[0], u"名前入力しないと\r変更できないですよ・・（＾＾；"_s);
    QVERIFY(f.take().isEmpty());
}

void TestCVelmiraAccountDlg::noSelection_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("inEdit");
    QTest::newRow("delete") << int(Dlg::IdDelete) << false;
    QTest::newRow("suspend") << int(Dlg::IdSuspend) << false;
    QTest::newRow("send home") << int(Dlg::IdSendHome) << false;
    QTest::newRow("authority") << int(Dlg::IdChangeAuthority) << true;
    QTest::newRow("password") << int(Dlg::IdChangePassword) << true;
    QTest::newRow("name") << int(Dlg::IdChangeName) << true;
}

void TestCVelmiraAccountDlg::noSelection()
{
    QFETCH(int, button);
    QFETCH(bool, inEdit);

    Fixture f;
    Detail d;
    d.state = 1;
    f.view(d);
    // A reload refills the list with no line selected; View stays.
    f.click(Dlg::IdReload);
    f.listArrives({u"abc"_s, u"def"_s});
    f.take();
    QVERIFY(f.selectedLines().isEmpty());
    if (inEdit) {
        f.click(Dlg::IdEdit);
        f.edit(1038)->setText(u"pw"_s);
        f.edit(1039)->setText(u"name"_s);
    }
    QVERIFY(f.enabled(button));
    answer(QMessageBox::Ok);
    f.click(button);
    QCOMPARE(m_boxes->boxes.size(), 1);
    checkNotice(m_boxes->boxes[0], kNoSelection);
    QVERIFY(f.take().isEmpty());
}

void TestCVelmiraAccountDlg::listReplyWhileConfirmationOpen_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QStringList>("requests");
    QTest::newRow("delete") << int(Dlg::IdDelete) << u"！！∑　defを退学させますか？"_s
                            << QStringList{u"delete def"_s, u"list"_s};
    QTest::newRow("suspend") << int(Dlg::IdSuspend) << u"！！∑　「def」を謹慎させますか？"_s
                             << QStringList{u"change def 4"_s};
    QTest::newRow("send home") << int(Dlg::IdSendHome)
                               << u"！！∑　「def」をただちに強制帰宅させますか？"_s
                               << QStringList{u"change def 3"_s};
    QTest::newRow("authority") << int(Dlg::IdChangeAuthority)
                               << u"「def」の権限を「GM」に変更しますか？"_s
                               << QStringList{u"change def 8"_s};
}

void TestCVelmiraAccountDlg::listReplyWhileConfirmationOpen()
{
    QFETCH(int, button);
    QFETCH(QString, confirmation);
    QFETCH(QStringList, requests);

    Fixture f;
    Detail d;
    d.id = u"def"_s;
    d.state = 1;
    d.authority = 2;
    f.view(d, 1);
    if (button == Dlg::IdChangeAuthority)
        f.click(Dlg::IdEdit);
    // While the operator reads the box, a list reply puts another account at the
    // chosen line's place. It reaches the dialog at once, and the request still names
    // the account the box asked about.
    m_boxes->expectWhileOpen(QMessageBox::Ok, [&] { f.listArrives({u"xyz"_s, u"abc"_s}); });
    f.click(button);
    QCOMPARE(m_boxes->boxes.size(), 1);
    checkConfirm(m_boxes->boxes[0], confirmation);
    QCOMPARE(f.lines(), (QStringList{u"xyz"_s, u"abc"_s}));
    QCOMPARE(f.take(), requests);
}

void TestCVelmiraAccountDlg::noLinkSendsNothing()
{
    Fixture f;
    f.view();
    f.rig.cutLink();
    m_boxes->expect(QMessageBox::Ok, 3);
    f.click(Dlg::IdReload);
    f.click(Dlg::IdDelete);
    f.click(Dlg::IdSuspend);
    QCOMPARE(m_boxes->texts(), QStringList(3, Dlg::noLinkText()));
    QVERIFY(f.take().isEmpty());
    QCOMPARE(f.combo(1054)->currentIndex(), 0);
}

void TestCVelmiraAccountDlg::cancel()
{
    Fixture f;
    f.view(Detail{}, 2);
    f.click(Dlg::IdEdit);
    f.click(Dlg::IdCancel);
    QCOMPARE(f.take(), QStringList{u"info ghi"_s});
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Nothing);
    QVERIFY(f.shown(1080)); // the View layout returns with the reply
    f.detailArrives({});
    QVERIFY(!f.shown(1080));

    // Nothing selected: the details of line 0.
    f.list()->clearSelection();
    f.take();
    f.click(Dlg::IdEnrol);
    f.click(Dlg::IdCancel);
    QCOMPARE(f.take(), QStringList{u"info abc"_s});
}

void TestCVelmiraAccountDlg::cancelWithNoAccountToAsk()
{
    Fixture f;
    f.listArrives({});
    f.take();
    f.click(Dlg::IdEnrol);
    QVERIFY(!f.enabled(Dlg::IdAccounts));
    f.click(Dlg::IdCancel);
    QVERIFY(f.take().isEmpty());
    // Not left stuck with the list disabled.
    QVERIFY(f.enabled(Dlg::IdAccounts));
    QVERIFY(!f.shown(1080));
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Nothing);
}

void TestCVelmiraAccountDlg::reloadAndClose()
{
    Fixture f;
    f.view();
    f.click(Dlg::IdEdit);
    answer(QMessageBox::Ok);
    f.click(Dlg::IdChangeAuthority); // back in View, still Editing
    f.take();
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Editing);
    f.click(Dlg::IdReload);
    QCOMPARE(f.take(), QStringList{u"list"_s});
    QCOMPARE(f.dlg->pendingOperation(), Dlg::PendingOperation::Nothing);

    f.click(Dlg::IdClose);
    QCOMPARE(f.dlg->result(), int(QDialog::Accepted));
    QVERIFY(!f.dlg->isVisible());
    QVERIFY(f.take().isEmpty());
}

QTEST_MAIN(TestCVelmiraAccountDlg)
#include "TestCVelmiraAccountDlg.moc"
