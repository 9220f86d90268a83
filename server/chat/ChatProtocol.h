#pragma once

#include <QByteArray>
#include <QList>

// Messages are '|'-separated byte strings with no framing: one arrival is one message.
// Payloads are Windows-1252 text that the server never decodes, so everything here is bytes.
namespace tovelo::chat {

// Longer arrivals are cut into pieces of this size; the client never sends anything near it.
inline constexpr qsizetype kMaxMessageBytes = 4096;
// Every user list repeats every nickname, so a long one would multiply into every broadcast.
inline constexpr qsizetype kMaxNicknameBytes = 64;

enum class MessageKind { Login, Text, Other };

struct Message {
    MessageKind kind = MessageKind::Other;
    // Everything after the first '|', unchanged: a nickname for Login, the line for Text.
    QByteArray payload;
};

Message parseMessage(const QByteArray& raw);

// Empty when nothing usable remains, which callers treat as "no login".
QByteArray sanitiseNickname(const QByteArray& nickname);

QByteArray buildUserList(const QList<QByteArray>& nicknames);
QByteArray buildTextMessage(const QByteArray& sender, const QByteArray& line);

// An arrival larger than maxBytes is more than one message can be; each piece is handled alone.
QList<QByteArray> splitArrival(const QByteArray& arrival, qsizetype maxBytes = kMaxMessageBytes);

} // namespace tovelo::chat
