#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tovelo {

// The update files the publisher serves: Windows-1252 text, one record per header line
// (a line holding "#"), continuation lines appended to the record's text.

// Lines end at CR or CR LF; a lone LF stays inside its line. A break at the very end of the
// text does not start a further line.
QStringList updateLines(const QString& text);

// A downloaded file is imported only when its first line is not empty and does not hold
// "html" in any letter case: that is what a failed download and a web page in its place (a
// server's error page, a captive portal's login page) look like. A page with LF line ends is
// one long first line. An empty or unreadable file arrives here as empty bytes.
bool acceptUpdate(const QByteArray& bytes);

struct UpdateRecord {
    QString title;
    QString text;
    bool operator==(const UpdateRecord&) const = default;
};

// Splits one header line, p being the 1-based position of its first "#": the title is
// characters 2 to p-2 (empty when p < 4), the text starts at character p+2.
UpdateRecord headerRecord(const QString& line);

// The records the import hands over to be stored, in order. A record is handed over when the
// next header line is read, starting with the (usually empty) one before the first header;
// the file's last line is never read, so a file that is to deliver all its records ends with
// a closing header line and one more line. Does not apply the acceptance test.
QList<UpdateRecord> readUpdateRecords(const QByteArray& bytes);

} // namespace tovelo
