#pragma once

// The main window in a temporary program folder, on a manual clock: what every
// window test starts from.

#include "ManualTimeSource.h"

#include "broadcast/MessageListStore.h"
#include "ui/CTolvaneDeskDlg.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace testsupport {

class DeskFixture
{
public:
    DeskFixture()
        : program(m_tmp.filePath(QStringLiteral("program"))),
          ini(m_tmp.filePath(QStringLiteral("Tolvane.ini")))
    {
        QDir().mkpath(program);
    }

    QDir dataDir() const { return QDir(program + QStringLiteral("/TolvaneData")); }

    // An existing data directory (no first-start boxes) holding these lists.
    void makeDataDirectory(const QMap<QString, QStringList>& lists = {})
    {
        QDir().mkpath(dataDir().path());
        for (auto it = lists.begin(); it != lists.end(); ++it) {
            if (!tolvane::broadcast::WriteListFile(dataDir(), it.key(), it.value()).ok())
                QTest::qFail("the list could not be written", __FILE__, __LINE__);
        }
    }

    tolvane::ui::CTolvaneDeskDlg& open(quint16 port, bool autoLogin = false)
    {
        tolvane::ui::DeskOptions o;
        o.settingsPath = ini;
        o.programDirectory = program;
        o.autoLogin = autoLogin;
        o.port = port;
        o.timeSource = &time;
        window = std::make_unique<tolvane::ui::CTolvaneDeskDlg>(o);
        window->show();
        return *window;
    }

    template <typename T = QWidget> T* control(int id) const
    {
        return qobject_cast<T*>(window->controlWidget(id));
    }

    ManualTimeSource time;

private:
    QTemporaryDir m_tmp; // before the paths that lie in it

public:
    const QString program;
    const QString ini;
    std::unique_ptr<tolvane::ui::CTolvaneDeskDlg> window;
};

} // namespace testsupport
