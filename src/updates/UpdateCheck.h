#pragma once

#include <QString>
#include <chrono>

namespace tovelo {

class Db;

// The update check that the main window runs once per start: for each kind ("Estudos",
// "Reflexoes", "Mapas") it fetches the next numbered file from the publisher, imports its new
// records into the content database and records the number. The state stays readable so the
// steps can be followed.
class UpdateCheck {
public:
    static constexpr std::chrono::milliseconds kRequestLimit{60000};
    // The largest update file taken, 4 MiB: far above what one file of new studies holds.
    static constexpr qint64 kFileLimit = 4 * 1024 * 1024;

    // Walks through the three kinds. A failure to read the update record for the first kind
    // propagates (the caller shows it); for later kinds it ends the check quietly.
    void run();

    void CheckUpdate();
    bool Download(const QString& url, const QString& file);
    void ImportUpdate();
    void SaveRecord(Db& db);
    void FinishUpdate(Db& db);

    // Tests use a short wait instead of a minute.
    void setRequestLimit(std::chrono::milliseconds limit) { limit_ = limit; }

    QString kind;      // the current kind; empty outside a check
    int number = 0;    // next update number of the kind, 1..32767
    QString url;       // the address being fetched
    QString localFile; // where it is written in the data folder
    QString pendingTitle;
    QString pendingText;

private:
    std::chrono::milliseconds limit_ = kRequestLimit;
    bool written_ = false; // the last download left the local file holding exactly its answer
    bool ended_ = false;   // recording a number failed: the check stops for this start
};

} // namespace tovelo
