#include "core/time_format.h"

#include <initializer_list>

namespace tavro {

namespace {

// Fields of two digits each, the i-th separator (if any) after the i-th field. Put together by
// hand: QDateTime::toString parses its format string and goes through the calendar and locale
// on every call, which a load of thousands of saved texts feels.
QString twoDigitFields(std::initializer_list<int> fields, QStringView separators) {
    QString out;
    out.reserve(qsizetype(fields.size()) * 2 + separators.size());
    qsizetype index = 0;
    for (const int value : fields) {
        out += QChar(u'0' + value / 10 % 10);
        out += QChar(u'0' + value % 10);
        if (index < separators.size()) {
            out += separators[index];
        }
        ++index;
    }
    return out;
}

}  // namespace

QString formatHistoryTime(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    const QTime clock = time.time();
    return twoDigitFields({clock.hour(), clock.minute(), clock.second()}, u"::");
}

QString formatNameStamp(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    const QDate date = time.date();
    const QTime clock = time.time();
    return twoDigitFields(
        {date.year() % 100, date.month(), date.day(), clock.hour(), clock.minute(), clock.second()},
        u"");
}

QString formatListTime(const QDateTime& time) {
    if (!time.isValid()) {
        return {};
    }
    const QDate date = time.date();
    const QTime clock = time.time();
    return twoDigitFields({date.month(), date.day(), clock.hour(), clock.minute()}, u"/ :");
}

}  // namespace tavro
