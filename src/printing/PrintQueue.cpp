#include "PrintQueue.h"

#include <QStringList>
#include <cups/cups.h>
#include <memory>

namespace tovelo {
namespace {

struct IppDelete {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

// A queue's name without the instance ("queue/instance") that only the desktop knows.
QByteArray queueName(const QString& queue) {
    return queue.section(QLatin1Char('/'), 0, 0).toUtf8();
}

Ipp ask(ipp_op_t operation, const char* target, const QByteArray& uriPath,
        std::initializer_list<const char*> wanted) {
    ipp_t* request = ippNewRequest(operation);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "%s", uriPath.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, target, nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(wanted.size()), nullptr, wanted.begin());
    Ipp response(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/"));
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) return nullptr;
    return response;
}

QString text(ipp_t* ipp, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(ipp, name, IPP_TAG_ZERO);
    return attribute ? QString::fromUtf8(ippGetString(attribute, 0, nullptr)) : QString();
}

int number(ipp_t* ipp, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(ipp, name, IPP_TAG_ENUM);
    return attribute ? ippGetInteger(attribute, 0) : 0;
}

// The state reasons worth showing: "none" and the merely informative "-report" ones left out.
QString reasons(ipp_t* ipp, const char* name) {
    QStringList out;
    ipp_attribute_t* attribute = ippFindAttribute(ipp, name, IPP_TAG_KEYWORD);
    for (int i = 0; attribute && i < ippGetCount(attribute); ++i) {
        const QString reason = QString::fromUtf8(ippGetString(attribute, i, nullptr));
        if (reason != QLatin1String("none") && !reason.endsWith(QLatin1String("-report")))
            out << reason;
    }
    return out.join(QLatin1String(", "));
}

struct QueueState {
    int state = 0;
    QString message;
};

QueueState queueState(const QString& queue) {
    const Ipp printer =
        ask(IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", "/printers/" + queueName(queue),
            {"printer-state", "printer-state-message", "printer-state-reasons"});
    if (!printer) return {};
    QString message = text(printer.get(), "printer-state-message");
    if (message.isEmpty()) message = reasons(printer.get(), "printer-state-reasons");
    return {number(printer.get(), "printer-state"), message};
}

} // namespace

int newestJob(const QString& queue) {
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queueName(queue).constData(), 1, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        newest = std::max(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest;
}

QString lastQueueError() {
    return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE
               ? QString::fromUtf8(cupsLastErrorString())
               : QString();
}

JobState jobState(int job, const QString& queue) {
    const Ipp attributes =
        ask(IPP_OP_GET_JOB_ATTRIBUTES, "job-uri", "/jobs/" + QByteArray::number(job),
            {"job-state", "job-state-reasons", "job-printer-state-message"});
    if (!attributes) return {JobState::Done, {}}; // gone from the service: nothing left to see
    QString reason = text(attributes.get(), "job-printer-state-message");
    if (reason.isEmpty()) reason = reasons(attributes.get(), "job-state-reasons");
    switch (number(attributes.get(), "job-state")) {
    case IPP_JSTATE_COMPLETED:
        return {JobState::Done, {}};
    case IPP_JSTATE_HELD:
        return {JobState::Held, reason};
    case IPP_JSTATE_STOPPED:
    case IPP_JSTATE_CANCELED:
    case IPP_JSTATE_ABORTED:
        return {JobState::Failed, reason};
    default:
        break;
    }
    const QueueState printer = queueState(queue);
    if (printer.state == IPP_PSTATE_STOPPED) return {JobState::Stopped, printer.message};
    return {JobState::Waiting, {}};
}

QString queueMessage(const QString& queue) {
    return queueState(queue).message;
}

} // namespace tovelo
