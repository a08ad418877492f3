#include "core/time_format.h"

namespace tavro {

namespace {

// The fields are put together by hand: QDateTime::toString parses its format string and goes
// through the calendar and locale on every call, which a load of thousands of saved texts
// feels.
void appendTwoDigits(QString& out, int value) {
    out += QChar(u'0' + value / 10 % 10);
    out += QChar(u'0' + value % 10);
}

}  // namespace

QString formatHistoryTime(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    const QTime clock = time.time();
    QString out;
    out.reserve(8);
    appendTwoDigits(out, clock.hour());
    out += u':';
    appendTwoDigits(out, clock.minute());
    out += u':';
    appendTwoDigits(out, clock.second());
    return out;
}

QString formatNameStamp(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    const QDate date = time.date();
    const QTime clock = time.time();
    QString out;
    out.reserve(12);
    appendTwoDigits(out, date.year() % 100);
    appendTwoDigits(out, date.month());
    appendTwoDigits(out, date.day());
    appendTwoDigits(out, clock.hour());
    appendTwoDigits(out, clock.minute());
    appendTwoDigits(out, clock.second());
    return out;
}

QString formatListTime(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    const QDate date = time.date();
    const QTime clock = time.time();
    QString out;
    out.reserve(11);
    appendTwoDigits(out, date.month());
    out += u'/';
    appendTwoDigits(out, date.day());
    out += u' ';
    appendTwoDigits(out, clock.hour());
    out += u':';
    appendTwoDigits(out, clock.minute());
    return out;
}

}  // namespace tavro
