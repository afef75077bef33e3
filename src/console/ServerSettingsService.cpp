#include "console/ServerSettingsService.h"

#include "settings/SettingsKeys.h"

namespace tolvane::console {

using namespace Qt::StringLiterals;
using platform::Result;
namespace keys = settings::keys;

ServerSettingsService::ServerSettingsService(settings::IniSettings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings))
{}

void ServerSettingsService::load()
{
    m_hostIP = m_settings.read(keys::kSectionVelmira, keys::kHostIP, keys::kDefaultHostIP);
    m_adminPassword = m_settings.read(keys::kSectionVelmira, keys::kAdminPW, keys::kDefaultAdminPW);
    Q_EMIT hostIPChanged(m_hostIP);
    Q_EMIT adminPasswordChanged(m_adminPassword);
}

Result<void> ServerSettingsService::save(const QString& hostIP, const QString& adminPassword)
{
    Result<void> host = m_settings.write(keys::kSectionVelmira, keys::kHostIP, hostIP);
    Result<void> password = m_settings.write(keys::kSectionVelmira, keys::kAdminPW, adminPassword);
    reread(false);
    return host ? password : host;
}

void ServerSettingsService::reload()
{
    reread(true);
}

void ServerSettingsService::reread(bool outside)
{
    const QString host =
        m_settings.read(keys::kSectionVelmira, keys::kHostIP, keys::kDefaultHostIP);
    const QString password =
        m_settings.read(keys::kSectionVelmira, keys::kAdminPW, keys::kDefaultAdminPW);
    if (host != m_hostIP) {
        m_hostIP = host;
        // The connection is made to the address it started with; no reconnection.
        if (outside)
            Q_EMIT logged(u"外部変更 鯖アドレス "_s + host + u"（次の起動から）"_s);
        Q_EMIT hostIPChanged(m_hostIP);
    }
    if (password != m_adminPassword) {
        m_adminPassword = password;
        if (outside)
            Q_EMIT logged(u"外部変更 管理者パスワード（次のログインから）"_s);
        Q_EMIT adminPasswordChanged(m_adminPassword);
    }
}

} // namespace tolvane::console
