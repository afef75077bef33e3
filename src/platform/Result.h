#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

// What the file layer returns: the value read or made, or why there is none. Every
// reader and writer of the console's files answers the same way, so a caller tells
// the operator what went wrong from one place.
namespace tolvane::platform {

struct FileError
{
    enum class Kind {
        Missing,         // no file of that name
        Unreadable,      // a directory, or a file that could not be opened or read to its end
        InvalidName,     // a name the file system refuses, or one that names no file of ours
        Unrepresentable, // a text the file cannot hold (code page 932, or a line break)
        WriteFailed,     // the new file could not be written; the old one is left whole
    };
    Kind kind = Kind::WriteFailed;
    // InvalidName and Unrepresentable: the name or text refused, as it was given.
    QString offendingText;
    // Unrepresentable: the characters of `offendingText` that code page 932 cannot
    // hold, each once; empty when the text is refused for a line break.
    QString unrepresentable;
    // What the system said, or what was wrong, for the operator's log.
    QString message;
};

template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Result(FileError error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    const T& value() const& { return std::get<0>(m_data); }
    T& value() & { return std::get<0>(m_data); }
    T&& value() && { return std::get<0>(std::move(m_data)); }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

    // Only when !ok().
    const FileError& error() const { return std::get<1>(m_data); }

private:
    std::variant<T, FileError> m_data;
};

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(FileError error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    // Only when !ok().
    const FileError& error() const { return *m_error; }

private:
    std::optional<FileError> m_error;
};

} // namespace tolvane::platform
