#include "FrmChat.h"

#include "AppCore.h"
#include "ChatProtocol.h"
#include "Cipher.h"
#include "Controls.h"
#include "Net.h"
#include "TextSize.h"

#include <QCoreApplication>
#include <QSignalBlocker>
#include <QUrl>

namespace tovelo {
namespace {

using namespace std::chrono_literals;

const QString kNoAddress = QStringLiteral("O endereço do servidor de chat não foi encontrado.");
constexpr qint64 kPageLimit = 1 << 20; // the address page is a few lines

QGroupBox* frame(QWidget* parent, const char* name, const QString& title, QRect geometry) {
    auto* f = control<QGroupBox>(parent, name, geometry);
    f->setTitle(title);
    return f;
}

QLineEdit* lineBox(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* t = control<QLineEdit>(parent, name, geometry);
    t->setText(text);
    return t;
}

} // namespace

FrmChat::FrmChat(QWidget* parent) : ChildWindow(parent) {
    setupWindow(this, "FrmChat", QStringLiteral("Chat Tovelo Sagrada"), {617, 410});

    frameChat = frame(this, "frameChat", QString(), {16, 16, 585, 377});
    frameName = frame(frameChat, "frameName", QStringLiteral("Apelido"), {8, 8, 457, 41});
    // An ordinary text, not a placeholder: left as it is, it becomes the nickname.
    txtName =
        lineBox(frameName, "txtName",
                QStringLiteral("Digite Aqui o seu apelido e clique em Conectar"), {8, 16, 345, 19});
    Command2 = button(frameName, "Command2", QStringLiteral("Conectar"), {360, 16, 89, 17});
    Frame1 = frame(frameChat, "Frame1", QStringLiteral("Chat"), {8, 56, 457, 265});
    txtChat = control<QPlainTextEdit>(Frame1, "txtChat", {8, 16, 441, 241});
    // No scroll bars: the caret placed at the end by AddMessage keeps the newest line in view.
    txtChat->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtChat->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    followTextSize(txtChat);
    sock = new QTcpSocket(this);
    sock->setObjectName(QStringLiteral("sock"));
    frameOut = frame(frameChat, "frameOut", QStringLiteral("Mensagem"), {8, 328, 457, 41});
    txtOut = lineBox(frameOut, "txtOut", QString(), {8, 16, 369, 19});
    Command1 = button(frameOut, "Command1", QStringLiteral("Enviar"), {384, 16, 65, 17});
    Label1 = label(frameChat, "Label1", QStringLiteral("Usuários"), {472, 16, 105, 17});
    Label1->setFont(fontOf(QStringLiteral("MS Sans Serif"), 8.25, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    List = control<QListWidget>(frameChat, "List", {472, 40, 105, 329});

    handle(Command2, &QPushButton::clicked, this, &FrmChat::Command2_Click);
    handle(Command1, &QPushButton::clicked, this, &FrmChat::Command1_Click);
    // returnPressed covers both Enter keys; every other key just types.
    handle(txtOut, &QLineEdit::returnPressed, this, &FrmChat::Command1_Click);
    handle(sock, &QTcpSocket::connected, this, &FrmChat::sock_Connect);
    handle(sock, &QTcpSocket::disconnected, this, &FrmChat::sock_Close);
    handle(sock, &QTcpSocket::readyRead, this, &FrmChat::sock_DataArrival);
}

FrmChat::~FrmChat() {
    // Closing the window ends the connection without calling back into a half-destroyed window.
    const QSignalBlocker quiet(sock);
    sock->abort();
}

void FrmChat::load() {
    SetStatus(QStringLiteral("Disconnected"));
    ServerIP.clear();
    // Answered while the window is in use; closing the window abandons the request.
    auto* request = new HttpGet(publisherAddress(QStringLiteral("/puxar/Buscas.asp?BuscaIP=OK")),
                                10s, kPageLimit, this);
    connect(request, &HttpGet::finished, this, [this, request] {
        request->deleteLater();
        addressArrived(request->answer());
    });
}

void FrmChat::addressArrived(const HttpAnswer& page) {
    if (!page.ok) {
        showMessage(QStringLiteral("Não foi possível buscar o endereço do servidor de chat: ") +
                    page.error + QLatin1Char('.'));
        return;
    }
    const std::optional<QString> address = chatServerAddress(QString::fromUtf8(page.body));
    if (!address) {
        showMessage(kNoAddress);
        return;
    }
    ServerIP = *address;
}

void FrmChat::SetStatus(const QString& status) {
    setWindowTitle(QStringLiteral("Chat [") + status + QStringLiteral("]"));
}

void FrmChat::AddMessage(const QString& nickname, const QString& message) {
    QTextCursor end = txtChat->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(chatEntry(nickname, message));
    end.movePosition(QTextCursor::End);
    txtChat->setTextCursor(end);
    txtChat->ensureCursorVisible();
}

void FrmChat::Command2_Click() {
    // The server would refuse it; say so before connecting, and keep any connection there is.
    if (isBlankNickname(txtName->text())) {
        showMessage(QStringLiteral("Digite um apelido antes de clicar em Conectar."));
        return;
    }
    {
        // Dropping our own connection is not the server closing it: the caption stays as it is.
        const QSignalBlocker quiet(sock);
        sock->abort();
    }
    if (ServerIP.isEmpty()) {
        showMessage(kNoAddress);
        return;
    }
    sock->connectToHost(ServerIP, chatPort);
}

void FrmChat::sock_Connect() {
    sock->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    SetStatus(QStringLiteral("Connected"));
    QCoreApplication::processEvents();
    if (sock->state() == QAbstractSocket::ConnectedState)
        sock->write(loginMessage(txtName->text()));
}

void FrmChat::sock_Close() {
    SetStatus(QStringLiteral("Disconnected"));
}

void FrmChat::Command1_Click() {
    // The local entry shows what the others will read, not what was typed.
    AddMessage(asCarried(txtName->text()), asCarried(txtOut->text()));
    if (sock->state() != QAbstractSocket::ConnectedState) {
        showMessage(QStringLiteral("Não há conexão com o servidor de chat. Clique em Conectar."));
        return;
    }
    sock->write(textMessage(txtOut->text()));
    txtOut->clear();
}

void FrmChat::sock_DataArrival() {
    const ChatMessage message = parseChatMessage(fromCp1252(sock->readAll()));
    switch (message.kind) {
    case ChatMessage::Kind::UserList:
        List->clear();
        List->addItems(message.names);
        break;
    case ChatMessage::Kind::Text:
        AddMessage(message.nickname, message.text);
        break;
    case ChatMessage::Kind::Ignored:
        break;
    }
}

} // namespace tovelo
