#pragma once

#include "Controls.h"
#include "Net.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QWidget>

namespace tovelo {

// The chat room: fetches the chat server's address at load, connects under a nickname, shows
// the conversation and the users present.
class FrmChat : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmChat(QWidget* parent = nullptr);
    ~FrmChat() override;
    void load();

    void SetStatus(const QString& status);
    void AddMessage(const QString& nickname, const QString& message);

    QString ServerIP;
    quint16 chatPort = 8765; // tests point it at a server of their own

    QGroupBox* frameChat;
    QGroupBox* frameName;
    QLineEdit* txtName;
    QPushButton* Command2;
    QGroupBox* Frame1;
    QPlainTextEdit* txtChat;
    QTcpSocket* sock;
    QGroupBox* frameOut;
    QLineEdit* txtOut;
    QPushButton* Command1;
    QLabel* Label1;
    QListWidget* List;

private:
    void addressArrived(const HttpAnswer& page);
    void Command2_Click();
    void Command1_Click();
    void sock_Connect();
    void sock_Close();
    void sock_DataArrival();
};

} // namespace tovelo
