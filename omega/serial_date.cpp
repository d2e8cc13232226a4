#include "omega/serial_date.h"

#include "base/calendar.h"

namespace omega {

namespace {

const QDate& Origin()
{
    static const QDate origin = [] {
        const base::CivilDate civil = base::CivilOfSerial(0);
        return QDate(static_cast<int>(civil.year), civil.month, civil.day);
    }();
    return origin;
}

} // namespace

QDate DateOfSerial(qint64 serial)
{
    return Origin().addDays(serial);
}

qint64 SerialOfDate(QDate date)
{
    return Origin().daysTo(date);
}

} // namespace omega
