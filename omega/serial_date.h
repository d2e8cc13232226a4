#pragma once

#include <QDate>

namespace omega {

// base/calendar.h's day numbers as Qt's dates, for the code that reads and shows them with
// QDate. Qt counts no year 0 (1 BC is year -1); an invalid date is day 0, as daysTo has it.
QDate DateOfSerial(qint64 serial);
qint64 SerialOfDate(QDate date);

} // namespace omega
