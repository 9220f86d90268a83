#pragma once

#include <QProcess>
#include <QRegularExpression>

namespace tovelo::test {

// The project's chat server (the program at `program`) as a process of its own, stopped when
// this ends. Port 0 lets the system pick one; `port` is 0 when the server did not start.
struct ChatServerProcess {
    ChatServerProcess(const QString& program, const QStringList& options)
        : program(program), options(options) {
        start();
    }
    ~ChatServerProcess() { stop(); }

    bool start(quint16 at = 0) {
        process.start(program, QStringList{"--port", QString::number(at)} + options);
        QByteArray said;
        while (!said.contains('\n') && process.waitForReadyRead(8000))
            said += process.readAllStandardOutput();
        const auto found = QRegularExpression("listening on (.*):(\\d+)").match(said);
        address = found.captured(1);
        port = found.captured(2).toUShort();
        return port != 0;
    }
    void stop() {
        process.kill();
        process.waitForFinished();
    }
    // What the server logged so far (the connections it closed, and why).
    QByteArray log() { return logged += process.readAllStandardError(); }

    QString program;
    QStringList options;
    QProcess process;
    QString address;
    quint16 port = 0;
    QByteArray logged;
};

} // namespace tovelo::test
