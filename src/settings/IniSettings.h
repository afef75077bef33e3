#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace tolvane::settings {

// The settings file with Windows private-profile semantics: section and key names
// compared without regard to case, values trimmed and a pair of surrounding quotes
// stripped on read, other lines and comments kept on write, every write immediate
// and atomic. Reads files written as UTF-8 or as code page 932; a file kept in code
// page 932 stores the look-alikes of Linux input methods in the code page's own forms
// (platform::foldForCp932), so it stays readable on a Japanese Windows desktop.
class IniSettings
{
public:
    explicit IniSettings(QString path = {});

    void setPath(const QString& path) { m_path = path; }
    QString path() const { return m_path; }

    // The key's value (at most 4095 characters), or `defaultValue` when the file,
    // the section or the key is missing. A key present with an empty value reads
    // as empty.
    QString read(const QString& section, const QString& key,
                 const QString& defaultValue = {}) const;
    // Replaces or adds the key, creating the section and the file when missing. A file
    // that exists but cannot be read is never replaced (Unreadable); a refused name or
    // value comes before anything is written; WriteFailed leaves the old file whole.
    platform::Result<void> write(const QString& section, const QString& key,
                                 const QString& value) const;

    // What read() and write() do with the file's bytes (empty when there is no file).
    static QString readFromBytes(QByteArrayView file, const QString& section, const QString& key,
                                 const QString& defaultValue = {});
    // The file's new bytes. InvalidName for a section or key that would read back as
    // something else or break the file's lines; Unrepresentable for a value with a
    // line break, a NUL or half a surrogate pair.
    static platform::Result<QByteArray> writeToBytes(QByteArrayView file, const QString& section,
                                                     const QString& key, const QString& value);

private:
    QString m_path;
};

} // namespace tolvane::settings
