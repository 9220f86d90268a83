#include "ChatProtocol.h"

namespace tovelo::chat {

Message parseMessage(const QByteArray& raw) {
    const qsizetype bar = raw.indexOf('|');
    if (bar < 0) return {};
    const QByteArrayView kind(raw.constData(), bar);
    Message message;
    if (kind == "name")
        message.kind = MessageKind::Login;
    else if (kind == "text")
        message.kind = MessageKind::Text;
    else
        return {};
    message.payload = raw.mid(bar + 1);
    return message;
}

QByteArray sanitiseNickname(const QByteArray& nickname) {
    // Bytes are single characters in Windows-1252, so cutting anywhere keeps the text valid.
    QByteArray clean = nickname.left(kMaxNicknameBytes);
    clean.replace('|', '/');
    return clean;
}

QByteArray buildUserList(const QList<QByteArray>& nicknames) {
    qsizetype size = 5;
    for (const QByteArray& nick : nicknames)
        size += nick.size() + 1;
    QByteArray list;
    list.reserve(size);
    list.append("cons");
    for (const QByteArray& nick : nicknames) {
        list.append('|');
        list.append(nick);
    }
    list.append('|');
    return list;
}

QByteArray buildTextMessage(const QByteArray& sender, const QByteArray& line) {
    QByteArray message;
    message.reserve(6 + sender.size() + line.size());
    message.append("text|").append(sender).append('|').append(line);
    return message;
}

QList<QByteArray> splitArrival(const QByteArray& arrival, qsizetype maxBytes) {
    QList<QByteArray> pieces;
    if (arrival.isEmpty() || maxBytes <= 0) return pieces;
    for (qsizetype at = 0; at < arrival.size(); at += maxBytes)
        pieces.append(arrival.mid(at, maxBytes));
    return pieces;
}

} // namespace tovelo::chat
