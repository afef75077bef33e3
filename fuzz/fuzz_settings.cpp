// The settings reader and writer on arbitrary file bytes (UTF-8, code page 932,
// UTF-16 with its mark, or none of them). A key written reads back as written, and
// no other key changes its value.
#include "FuzzSupport.h"

#include "platform/Cp932Codec.h"
#include "settings/IniSettings.h"
#include "settings/SettingsKeys.h"

#include <QList>

#include <utility>

using namespace tolvane;
using tolvane::fuzz::check;

namespace {

const QString kDefault = QStringLiteral("\x01<default>");

QString trimBlanks(QString text)
{
    const auto blank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
    };
    while (!text.isEmpty() && blank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

bool sameName(const QString& a, const QString& b)
{
    return trimBlanks(a).compare(trimBlanks(b), Qt::CaseInsensitive) == 0;
}

QString textOf(QByteArrayView bytes, int encoding)
{
    switch (encoding) {
    case 1:
        return fuzz::utf16Units(bytes);
    case 2:
        return platform::decodeCp932(bytes);
    default:
        return QString::fromUtf8(bytes);
    }
}

// What a read returns for a value that long.
QString readable(const QString& value)
{
    if (value.size() <= 4095)
        return value;
    return value.left(value.at(4094).isHighSurrogate() ? 4094 : 4095);
}

const QList<std::pair<QString, QString>>& probes()
{
    static const QList<std::pair<QString, QString>> list = {
        {settings::keys::kSectionVelmira, settings::keys::kHostIP},
        {settings::keys::kSectionVelmira, settings::keys::kAdminPW},
        {settings::keys::kSectionTimeSig, settings::keys::kHourlyOn},
        {settings::keys::kSectionTimeSig, settings::keys::kHalfHourlyHead},
        {settings::keys::kSectionShortcuts, settings::keys::shortcutKey(1)},
        {settings::keys::kSectionShortcuts, settings::keys::shortcutKey(12)},
    };
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Layout: a selector byte; the section and the key when the selector asks for
    // fuzzed ones (a length byte each); the value (a two-byte length); the file.
    fuzz::InputReader input(data, size);
    const quint8 selector = input.byte();
    const int sectionChoice = selector & 3;
    const int keyChoice = (selector >> 2) & 3;
    const int encoding = (selector >> 4) & 3;
    static const QString kSections[] = {settings::keys::kSectionVelmira,
                                        settings::keys::kSectionTimeSig,
                                        settings::keys::kSectionShortcuts};
    static const QString kKeys[] = {settings::keys::kHostIP, settings::keys::kHalfHourlyHead,
                                    settings::keys::shortcutKey(3)};
    const QString section =
        sectionChoice < 3 ? kSections[sectionChoice] : textOf(input.counted(), encoding);
    const QString key = keyChoice < 3 ? kKeys[keyChoice] : textOf(input.counted(), encoding);
    const int valueLength = input.byte() | (input.byte() << 8);
    const QString value = textOf(input.take(valueLength), encoding);
    const QByteArrayView file = input.rest();

    QList<QString> before;
    for (const auto& [probeSection, probeKey] : probes())
        before.append(settings::IniSettings::readFromBytes(file, probeSection, probeKey, kDefault));
    settings::IniSettings::readFromBytes(file, section, key, kDefault);

    const platform::Result<QByteArray> written =
        settings::IniSettings::writeToBytes(file, section, key, value);
    if (!written)
        return 0;
    // A file kept in code page 932 stores the look-alikes of input methods folded.
    const QString back = settings::IniSettings::readFromBytes(*written, section, key, kDefault);
    check(back == readable(value) || back == readable(platform::foldForCp932(value)));
    for (qsizetype i = 0; i < probes().size(); ++i) {
        const auto& [probeSection, probeKey] = probes().at(i);
        if (sameName(probeSection, section) && sameName(probeKey, key))
            continue;
        check(settings::IniSettings::readFromBytes(*written, probeSection, probeKey, kDefault) ==
              before.at(i));
    }
    // Writing the same value again changes nothing.
    const platform::Result<QByteArray> again =
        settings::IniSettings::writeToBytes(*written, section, key, value);
    check(again.ok() && *again == *written);
    return 0;
}
