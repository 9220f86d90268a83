#include "ChatProtocol.h"

namespace tovelo::chat {
namespace {

constexpr QByteArrayView kTextKind = "text|";

// C0 controls, DEL, and the five bytes Windows-1252 leaves unassigned (windows show them as
// C1 controls).
bool isControl(unsigned char b) {
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

bool isBreakOrTab(unsigned char b) {
    return b == '\t' || b == '\n' || b == '\v' || b == '\f' || b == '\r';
}

} // namespace

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

QList<QByteArray> splitArrival(const QByteArray& arrival, qsizetype maxBytes) {
    QList<QByteArray> pieces;
    qsizetype start = 0;
    while (start < arrival.size()) {
        qsizetype next = arrival.indexOf(kTextKind, start + 1);
        if (next < 0) next = arrival.size();
        for (qsizetype at = start; at < next; at += maxBytes)
            pieces.append(arrival.mid(at, std::min(maxBytes, next - at)));
        start = next;
    }
    return pieces;
}

QByteArray sanitiseNickname(const QByteArray& nickname) {
    QByteArray clean;
    clean.reserve(std::min(nickname.size(), kMaxNicknameBytes));
    bool blank = false;
    for (const char c : nickname) {
        const auto b = static_cast<unsigned char>(c);
        if (b == ' ' || b == 0xA0 || isBreakOrTab(b)) {
            blank = !clean.isEmpty();
            continue;
        }
        // The soft hyphen is invisible: "Ana" with one inside would pass for "Ana".
        if (isControl(b) || b == 0xAD) continue;
        if (clean.size() + (blank ? 2 : 1) > kMaxNicknameBytes) break;
        if (blank) clean.append(' ');
        blank = false;
        // A bar would split the name into two entries of the user list.
        clean.append(c == '|' ? '/' : c);
    }
    return clean;
}

QByteArray sanitiseLine(const QByteArray& line) {
    QByteArray clean;
    clean.reserve(line.size());
    for (const char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (isBreakOrTab(b))
            clean.append(' ');
        else if (!isControl(b))
            clean.append(c);
    }
    return clean;
}

QByteArray nicknameKey(const QByteArray& nickname) {
    QByteArray key = nickname;
    for (char& c : key) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
            c = char(b + 0x20);
        else if (b == 0x8A || b == 0x8C || b == 0x8E) // Š Œ Ž
            c = char(b + 0x10);
        else if (b == 0x9F) // Ÿ
            c = char(0xFF);
    }
    return key;
}

QByteArray distinctNickname(const QByteArray& nickname,
                            const std::function<bool(const QByteArray&)>& taken) {
    if (!taken(nickname)) return nickname;
    for (int n = 2;; ++n) {
        const QByteArray suffix = " (" + QByteArray::number(n) + ')';
        const QByteArray candidate =
            nickname.left(kMaxNicknameBytes - suffix.size()).trimmed() + suffix;
        if (!taken(candidate)) return candidate;
    }
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

} // namespace tovelo::chat
