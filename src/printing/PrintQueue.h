#pragma once

#include <QString>

namespace tovelo {

// What the system's print service (CUPS) says about a queue and the jobs this user handed it.
// Qt hands a print over without telling whether the queue took it, nor which job it became.

// The newest job of this user on the queue, 0 when there is none or the service cannot be
// asked. Asking also clears the print service's last error.
int newestJob(const QString& queue);

// The print service's last error on this thread, empty after a success.
QString lastQueueError();

struct JobState {
    enum Stage {
        Waiting, // pending or printing, on a queue that runs
        Done,
        Held,    // held in the queue until someone releases it
        Stopped, // waiting on a queue that is stopped
        Failed,  // stopped, cancelled or aborted
    } stage = Waiting;
    QString reason; // what the queue said, when it said something
};
JobState jobState(int job, const QString& queue);

// What the queue says of itself (why it refuses jobs, why it stopped); empty when nothing.
QString queueMessage(const QString& queue);

} // namespace tovelo
