#include "AccountPayloads.h"

#include "admin/AccountListModel.h"

#include <QSignalSpy>
#include <QTest>

using testsupport::listPayload;
using tolvane::admin::AccountListModel;
using namespace Qt::StringLiterals;

namespace {

QStringList lines(const AccountListModel& model)
{
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row)
        out.append(model.index(row, 0).data().toString());
    return out;
}

} // namespace

class TestAccountListModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesFollowTheReply()
    {
        AccountListModel model;
        QCOMPARE(model.rowCount(), 0);
        model.setReply(listPayload({u"zeta"_s, u"勇者"_s, u"alpha"_s}));
        QCOMPARE(lines(model), (QStringList{u"zeta"_s, u"勇者"_s, u"alpha"_s}));
        QCOMPARE(model.lineAt(3), QString());
        QCOMPARE(model.lineAt(-1), QString());

        // A count larger than the records present: only the records are lines.
        QByteArray claimsFive = listPayload({u"a"_s, u"b"_s});
        claimsFive[4] = 5;
        model.setReply(claimsFive);
        QCOMPARE(lines(model), (QStringList{u"a"_s, u"b"_s}));
    }

    void addedLinesTakeTheirSortedPlace_data()
    {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<int>("adds");
        QTest::addColumn<QStringList>("expected");
        const QString n = u"no account"_s;
        QTest::newRow("into nothing, twice") << QStringList() << 2 << QStringList{n, n};
        QTest::newRow("before an unsorted list")
            << QStringList{u"zeta"_s, u"alpha"_s} << 1 << QStringList{n, u"zeta"_s, u"alpha"_s};
        QTest::newRow("ignoring case") << QStringList{u"Apple"_s, u"Pear"_s, u"x"_s} << 2
                                       << QStringList{u"Apple"_s, n, n, u"Pear"_s, u"x"_s};
        QTest::newRow("at the end")
            << QStringList{u"a"_s, u"b"_s} << 1 << QStringList{u"a"_s, u"b"_s, n};
    }

    void addedLinesTakeTheirSortedPlace()
    {
        QFETCH(QStringList, ids);
        QFETCH(int, adds);
        QFETCH(QStringList, expected);
        AccountListModel model;
        model.setReply(listPayload(ids));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < adds; ++i)
            model.insertSorted(u"no account"_s);
        QCOMPARE(lines(model), expected);
        QCOMPARE(inserted.count(), adds);

        // The next reply replaces every line, added ones too.
        model.setReply(listPayload({u"new"_s}));
        QCOMPARE(lines(model), QStringList{u"new"_s});
    }
};

QTEST_GUILESS_MAIN(TestAccountListModel)
#include "TestAccountListModel.moc"
