#include "settings/ProfileName.h"

namespace tolvane::settings {

using namespace Qt::StringLiterals;

namespace {

// Names Windows keeps for devices, also with an extension ("NUL.txt").
bool isReservedDeviceName(const QString& name)
{
    const QString stem = name.section(u'.', 0, 0).trimmed().toUpper();
    static const QStringList fixed = {u"CON"_s, u"PRN"_s,    u"AUX"_s,
                                      u"NUL"_s, u"CONIN$"_s, u"CONOUT$"_s};
    if (fixed.contains(stem))
        return true;
    // COM1 … COM9 and LPT1 … LPT9, and the superscript digits Windows also reserves.
    if (stem.size() == 4 && (stem.startsWith(u"COM") || stem.startsWith(u"LPT"))) {
        const QChar d = stem.at(3);
        return (d >= u'1' && d <= u'9') || d == QChar(0x00b9) || d == QChar(0x00b2) ||
               d == QChar(0x00b3);
    }
    return false;
}

} // namespace

QString profileNameError(const QString& name, const QStringList& existing)
{
    if (name.isEmpty())
        return u"a profile name cannot be empty"_s;
    if (name == u"." || name == u"..")
        return u"\"."_s + (name.size() == 2 ? u"."_s : QString()) + u"\" cannot name a profile"_s;
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\')
            return u"a profile name cannot contain / or \\"_s;
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return u"a profile name cannot contain control characters"_s;
        if (QStringView(u"<>:\"|?*").contains(c))
            return u"a profile name cannot contain any of < > : \" | ? *"_s;
    }
    if (name.endsWith(u'.') || name.endsWith(u' '))
        return u"a profile name cannot end with a dot or a space"_s;
    if (isReservedDeviceName(name))
        return u"\""_s + name + u"\" is a device name on Windows"_s;
    if (name.toUcs4().size() > kMaxProfileNameChars)
        return u"a profile name has at most "_s + QString::number(kMaxProfileNameChars) +
               u" characters"_s;
    for (const QString& other : existing) {
        if (other != name && other.compare(name, Qt::CaseInsensitive) == 0)
            return u"\""_s + name + u"\" differs from the profile \""_s + other +
                   u"\" only by case"_s;
    }
    return {};
}

} // namespace tolvane::settings
