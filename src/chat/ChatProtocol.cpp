#include "ChatProtocol.h"

#include "Cipher.h"

#include <algorithm>

namespace tovelo {
namespace {

const QString kStartMarker = QStringLiteral("IP");
const QString kEndMarker = QStringLiteral("Escrita Final");

} // namespace

std::optional<QString> chatServerAddress(const QString& page) {
    // Without the start marker the cut still skips one character, as if it stood at position 0.
    const qsizetype start = page.indexOf(kStartMarker, 0, Qt::CaseSensitive);
    const QString rest = page.mid(start < 0 ? 1 : start + kStartMarker.size());
    const qsizetype end = rest.indexOf(kEndMarker, 0, Qt::CaseSensitive);
    if (end < 0) return std::nullopt;
    return rest.left(end);
}

ChatMessage parseChatMessage(const QString& arrival) {
    const QStringList fields = arrival.split(QLatin1Char('|'));
    ChatMessage message;
    if (fields[0] == QStringLiteral("cons")) {
        message.kind = ChatMessage::Kind::UserList;
        message.names = fields.mid(1, fields.size() - 2);
    } else if (fields[0] == QStringLiteral("text") && fields.size() >= 3) {
        message.kind = ChatMessage::Kind::Text;
        message.nickname = fields[1];
        message.text = fields[2];
    }
    return message;
}

QString chatEntry(const QString& nickname, const QString& message) {
    return QStringLiteral("-=") + nickname + QStringLiteral("=-\r\n") + message +
           QStringLiteral("\r\n");
}

bool isBlankNickname(const QString& nickname) {
    return std::all_of(nickname.begin(), nickname.end(), [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control ||
               c.category() == QChar::Other_Format;
    });
}

QString asCarried(const QString& text) {
    return fromCp1252(toCp1252(text));
}

QByteArray loginMessage(const QString& nickname) {
    return toCp1252(QStringLiteral("name|") + nickname);
}

QByteArray textMessage(const QString& message) {
    return toCp1252(QStringLiteral("text|") + message);
}

} // namespace tovelo
