#include "HttpReader.h"

namespace tovelo {
namespace {

// A head, or one line of chunk framing, longer than this is not an answer worth waiting for.
constexpr qsizetype kMaxHead = 64 * 1024;

bool allOf(QByteArrayView text, bool (*accepts)(char)) {
    if (text.isEmpty()) return false;
    for (const char c : text)
        if (!accepts(c)) return false;
    return true;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

bool HttpReader::feed(QByteArrayView bytes) {
    if (stage_ == Stage::Done || stage_ == Stage::Failed) return false;
    buffer_.append(bytes.data(), bytes.size());
    while (step()) {
    }
    buffer_.remove(0, pos_);
    pos_ = 0;
    return stage_ != Stage::Done && stage_ != Stage::Failed;
}

void HttpReader::closed() {
    if (stage_ == Stage::UntilClose) stage_ = Stage::Done;
    if (stage_ == Stage::Done || stage_ == Stage::Failed) return;
    fail(headRead() ? QStringLiteral("A conexão terminou antes do fim da resposta.")
                    : QStringLiteral("O servidor fechou a conexão sem responder."));
}

QByteArray HttpReader::field(QByteArrayView name) const {
    const QByteArray wanted = name.toByteArray().toLower();
    for (const auto& [key, value] : fields_)
        if (key == wanted) return value;
    return {};
}

// One step of reading; false when it needs more bytes or reading is over.
bool HttpReader::step() {
    const qint64 available = buffer_.size() - pos_;
    switch (stage_) {
    case Stage::Head:
        return readHead();
    case Stage::Length:
    case Stage::ChunkData: {
        const qint64 count = qMin(available, left_);
        if (count == 0) return false;
        take(count);
        if (stage_ == Stage::Failed) return false;
        left_ -= count;
        if (left_ > 0) return false;
        stage_ = stage_ == Stage::Length ? Stage::Done : Stage::ChunkEnd;
        return stage_ == Stage::ChunkEnd;
    }
    case Stage::ChunkEnd: {
        const std::optional<QByteArrayView> end = line();
        if (!end) return false;
        if (!end->isEmpty()) {
            fail(QStringLiteral("Um pedaço da resposta não termina onde devia."));
            return false;
        }
        stage_ = Stage::ChunkSize;
        return true;
    }
    case Stage::ChunkSize:
        return readChunkSize();
    case Stage::Trailer:
        return readTrailer();
    case Stage::UntilClose:
        if (available > 0) take(available);
        return false;
    case Stage::Done:
    case Stage::Failed:
        return false;
    }
    return false;
}

bool HttpReader::readHead() {
    const qsizetype end = buffer_.indexOf("\r\n\r\n", pos_);
    if (end < 0) {
        if (buffer_.size() - pos_ > kMaxHead)
            fail(QStringLiteral("O cabeçalho da resposta é longo demais."));
        return false;
    }
    const QList<QByteArray> lines = buffer_.mid(pos_, end - pos_).split('\n');
    pos_ = end + 4;
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    const QByteArray code = statusLine.value(1);
    if (!statusLine.first().startsWith("HTTP/1.") || code.size() != 3 || !allOf(code, isDigit)) {
        fail(QStringLiteral("A resposta do servidor não é HTTP."));
        return false;
    }
    fields_.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon <= 0) {
            fail(QStringLiteral("O cabeçalho da resposta é inválido."));
            return false;
        }
        fields_.append(
            {lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed()});
    }
    const int status = code.toInt();
    if (status / 100 == 1) return true; // an interim answer; the real one follows

    status_ = status;
    const QByteArray coding = field("Content-Encoding").toLower();
    if (!coding.isEmpty() && coding != "identity") {
        fail(QStringLiteral("O servidor mandou o conteúdo codificado (%1).")
                 .arg(QString::fromLatin1(coding)));
        return false;
    }
    if (status_ == 204 || status_ == 304) {
        stage_ = Stage::Done;
        return false;
    }
    if (const QByteArray transfer = field("Transfer-Encoding").toLower(); !transfer.isEmpty()) {
        if (transfer != "chunked") {
            fail(QStringLiteral("O servidor mandou a resposta numa forma desconhecida (%1).")
                     .arg(QString::fromLatin1(transfer)));
            return false;
        }
        stage_ = Stage::ChunkSize;
        return true;
    }
    if (const QByteArray length = field("Content-Length"); !length.isEmpty()) {
        bool ok = false;
        left_ = allOf(length, isDigit) ? length.toLongLong(&ok) : 0;
        if (!ok) {
            fail(QStringLiteral("O tamanho da resposta é inválido."));
            return false;
        }
        if (left_ > maxBody_) {
            tooLarge_ = true;
            fail(QStringLiteral("A resposta passa de %1 bytes.").arg(maxBody_));
            return false;
        }
        stage_ = left_ == 0 ? Stage::Done : Stage::Length;
        return stage_ == Stage::Length;
    }
    stage_ = Stage::UntilClose;
    return true;
}

bool HttpReader::readChunkSize() {
    const std::optional<QByteArrayView> sizeLine = line();
    if (!sizeLine) return false;
    QByteArrayView size = *sizeLine;
    if (const qsizetype extension = size.indexOf(';'); extension >= 0) size = size.first(extension);
    size = size.trimmed();
    bool ok = false;
    left_ = allOf(size, isHexDigit) ? size.toByteArray().toLongLong(&ok, 16) : 0;
    if (!ok) {
        fail(QStringLiteral("O tamanho de um pedaço da resposta é inválido."));
        return false;
    }
    stage_ = left_ == 0 ? Stage::Trailer : Stage::ChunkData;
    return true;
}

bool HttpReader::readTrailer() {
    const std::optional<QByteArrayView> field = line();
    if (!field) return false;
    if (!field->isEmpty()) return true; // trailer fields are not used
    stage_ = Stage::Done;
    return false;
}

std::optional<QByteArrayView> HttpReader::line() {
    const qsizetype end = buffer_.indexOf("\r\n", pos_);
    if (end < 0) {
        if (buffer_.size() - pos_ > kMaxHead)
            fail(QStringLiteral("Uma linha da resposta é longa demais."));
        return std::nullopt;
    }
    const QByteArrayView text(buffer_.constData() + pos_, end - pos_);
    pos_ = end + 2;
    return text;
}

void HttpReader::take(qint64 count) {
    if (body_.size() + count > maxBody_) {
        tooLarge_ = true;
        fail(QStringLiteral("A resposta passa de %1 bytes.").arg(maxBody_));
        return;
    }
    body_.append(buffer_.constData() + pos_, count);
    pos_ += count;
}

void HttpReader::fail(const QString& why) {
    stage_ = Stage::Failed;
    failure_ = why;
}

} // namespace tovelo
