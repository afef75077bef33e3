#include "console/CommandReader.h"

#include <QJsonDocument>
#include <QtEndian>

namespace tolvane::console {

using namespace Qt::StringLiterals;

namespace {

struct CommandName
{
    settings::HandOverCommand command;
    QLatin1StringView name;
    bool takesArgument;
};

constexpr CommandName kCommands[] = {
    {settings::HandOverCommand::Say, "say"_L1, true},
    {settings::HandOverCommand::Broadcast, "broadcast"_L1, true},
    {settings::HandOverCommand::Stop, "stop"_L1, false},
    {settings::HandOverCommand::Status, "status"_L1, false},
};

const CommandName* findCommand(settings::HandOverCommand command)
{
    for (const CommandName& c : kCommands) {
        if (c.command == command)
            return &c;
    }
    return nullptr;
}

} // namespace

QByteArray encodeCommandFrame(const QJsonObject& message)
{
    const QByteArray json = QJsonDocument(message).toJson(QJsonDocument::Compact);
    if (json.size() > kMaxCommandPayload)
        return {};
    QByteArray frame(kCommandLengthSize, '\0');
    qToLittleEndian(quint32(json.size()), frame.data());
    return frame + json;
}

QJsonObject requestToJson(const CommandRequest& request)
{
    QJsonObject object;
    const CommandName* c = findCommand(request.command);
    object.insert(u"command"_s, c ? QString(c->name) : QString());
    if (c && c->takesArgument)
        object.insert(u"argument"_s, request.argument);
    if (request.all)
        object.insert(u"all"_s, true);
    return object;
}

std::optional<CommandRequest> requestFromJson(const QJsonObject& object, QString* error)
{
    const QJsonValue command = object.value(u"command"_s);
    for (const CommandName& c : kCommands) {
        if (command.toString() != c.name)
            continue;
        const QJsonValue argument = object.value(u"argument"_s);
        if (c.takesArgument && !argument.isString()) {
            *error = u"the command needs a text argument"_s;
            return std::nullopt;
        }
        return CommandRequest{c.command, c.takesArgument ? argument.toString() : QString(),
                              object.value(u"all"_s).toBool()};
    }
    *error = u"unknown command"_s;
    return std::nullopt;
}

QJsonObject replyToJson(const CommandReply& reply)
{
    return {{u"status"_s, int(reply.status)}, {u"line"_s, reply.line}};
}

std::optional<CommandReply> replyFromJson(const QJsonObject& object)
{
    const QJsonValue status = object.value(u"status"_s);
    const QJsonValue line = object.value(u"line"_s);
    const int value = status.toInt(-1);
    // The statuses after BadRequest are the program's own, never a console's answer.
    if (!status.isDouble() || value < 0 || value > int(CommandStatus::BadRequest) ||
        !line.isString())
        return std::nullopt;
    return CommandReply{CommandStatus(value), line.toString()};
}

CommandReader::State CommandReader::fail(QString error)
{
    m_state = State::Failed;
    m_error = std::move(error);
    m_buffer.clear();
    m_message = {};
    return m_state;
}

CommandReader::State CommandReader::feed(QByteArrayView bytes)
{
    if (m_state == State::Failed || bytes.isEmpty())
        return m_state;
    if (m_state == State::Complete)
        return fail(u"bytes after the message"_s);

    // Never more than the length field and the largest payload.
    const qsizetype room = kCommandLengthSize + kMaxCommandPayload - m_buffer.size();
    m_buffer.append(bytes.first(qMin(room, bytes.size())));
    if (m_buffer.size() < kCommandLengthSize)
        return m_state;
    const quint32 length = qFromLittleEndian<quint32>(m_buffer.constData());
    if (length > quint32(kMaxCommandPayload))
        return fail(u"message too large"_s);
    const qsizetype total = kCommandLengthSize + qsizetype(length);
    if (m_buffer.size() + (bytes.size() - qMin(room, bytes.size())) > total)
        return fail(u"bytes after the message"_s);
    if (m_buffer.size() < total)
        return m_state;

    QJsonParseError parseError{};
    const QJsonDocument document =
        QJsonDocument::fromJson(m_buffer.sliced(kCommandLengthSize), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(u"not JSON: "_s + parseError.errorString());
    if (!document.isObject())
        return fail(u"not a JSON object"_s);
    m_message = document.object();
    m_buffer.clear();
    m_state = State::Complete;
    return m_state;
}

} // namespace tolvane::console
