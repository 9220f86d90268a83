#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

// Messages are '|'-separated byte strings with no framing: one arrival is one message.
// Payloads are Windows-1252 text that the server never decodes, so everything here is bytes.
namespace tovelo::chat {

// Longer messages are cut to this size; the client never sends anything near it.
inline constexpr qsizetype kMaxMessageBytes = 4096;
// Every user list repeats every nickname, so a long one would multiply into every broadcast.
inline constexpr qsizetype kMaxNicknameBytes = 64;
// The name the server's own notices are sent under; no user can take it.
inline constexpr char kServerNickname[] = "Servidor";

enum class MessageKind { Login, Text, Other };

struct Message {
    MessageKind kind = MessageKind::Other;
    // Everything after the first '|', unchanged: a nickname for Login, the line for Text.
    QByteArray payload;
};

Message parseMessage(const QByteArray& raw);

// What a client sent as separate messages but the server read in one piece (TCP joins what
// waits in the kernel): every client message starts with its kind, so a new one starts at each
// "text|". Pieces longer than maxBytes are cut; the cut-off rest parses as nothing.
QList<QByteArray> splitArrival(const QByteArray& arrival, qsizetype maxBytes = kMaxMessageBytes);

// Control characters removed, '|' replaced, blanks collapsed and trimmed, length capped.
// Empty when nothing visible remains.
QByteArray sanitiseNickname(const QByteArray& nickname);

// Control characters removed; line breaks and tabs become spaces, so a line cannot start a
// second, forged entry in the window.
QByteArray sanitiseLine(const QByteArray& line);

// Nicknames that differ only in letter case are the same person to a reader.
QByteArray nicknameKey(const QByteArray& nickname);

// `nickname` itself when free, else the first free "nickname (2)", "nickname (3)", ...,
// shortened so that it stays within kMaxNicknameBytes.
QByteArray distinctNickname(const QByteArray& nickname,
                            const std::function<bool(const QByteArray&)>& taken);

QByteArray buildUserList(const QList<QByteArray>& nicknames);
QByteArray buildTextMessage(const QByteArray& sender, const QByteArray& line);

} // namespace tovelo::chat
