#include "swf/script/builtins/builtins.h"

#include "swf/script/script_host.h"

#include <QDateTime>
#include <QTimeZone>

#include <cmath>
#include <limits>

namespace reelcase::swf::avm1::builtins {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double maxTime = 8.64e15; // the range Date keeps, either side of 1970

double timeOf(const Value& self) {
    Object* o = objectOf(self);
    if (!o || o->kind() == Kind::Function || avm1::typeOf(o->primitive) != TypeNumber)
        return nan;
    return std::get<double>(o->primitive);
}

void setTime(const Value& self, double t) {
    if (Object* o = objectOf(self))
        o->primitive = std::isfinite(t) && std::abs(t) <= maxTime ? std::trunc(t) : nan;
}

QDateTime toDateTime(double t, bool utc) {
    const QDateTime d = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t), QTimeZone::utc());
    return utc ? d : d.toLocalTime();
}

// Milliseconds from the fields (months and days may overflow, as the player allows).
double makeTime(double year, double month, double day, double h, double m, double s, double ms,
                bool utc) {
    for (double v : {year, month, day, h, m, s, ms})
        if (!std::isfinite(v))
            return nan;
    const double y = year + std::floor(month / 12);
    const int mo = static_cast<int>(month - std::floor(month / 12) * 12);
    if (std::abs(y) > 400000)
        return nan;
    const QDate first(static_cast<int>(y), mo + 1, 1);
    const double days = static_cast<double>(QDate(1970, 1, 1).daysTo(first)) + day - 1;
    double t = days * 86400000.0 + h * 3600000.0 + m * 60000.0 + s * 1000.0 + ms;
    if (!utc) {
        const QDateTime local = toDateTime(t, true);
        t -= local.toLocalTime().offsetFromUtc() * 1000.0;
    }
    return t;
}

std::vector<double> numbers(Vm& vm, Args args) {
    std::vector<double> out;
    for (const Value& v : args)
        out.push_back(vm.toNumber(v));
    return out;
}

Value dateConstruct(Vm& vm, const Value&, Args args) {
    Object* o = vm.heap().make<Object>(vm.protos.date);
    if (args.empty()) {
        const ScriptHost* host = vm.host();
        o->primitive = static_cast<double>(host ? host->currentTimeMs() : 0);
    } else if (args.size() == 1) {
        setTime(Value(o), vm.toNumber(args[0]));
    } else {
        std::vector<double> n = numbers(vm, args);
        n.resize(7, 0);
        if (args.size() < 3)
            n[2] = 1;
        if (n[0] >= 0 && n[0] < 100)
            n[0] += 1900;
        setTime(Value(o), makeTime(n[0], n[1], n[2], n[3], n[4], n[5], n[6], false));
    }
    return o;
}

Value dateCall(Vm& vm, const Value&, Args) {
    return vm.toString(dateConstruct(vm, Undefined{}, {}));
}

Value utc(Vm& vm, const Value&, Args args) {
    std::vector<double> n = numbers(vm, args);
    if (n.size() < 2)
        return nan;
    n.resize(7, 0);
    if (args.size() < 3)
        n[2] = 1;
    if (n[0] >= 0 && n[0] < 100)
        n[0] += 1900;
    return makeTime(n[0], n[1], n[2], n[3], n[4], n[5], n[6], true);
}

enum Field { Year, Month, Day, Hours, Minutes, Seconds, Milliseconds, Weekday };

double fieldOf(double t, Field f, bool isUtc) {
    if (std::isnan(t))
        return nan;
    const QDateTime d = toDateTime(t, isUtc);
    switch (f) {
    case Year:
        return d.date().year();
    case Month:
        return d.date().month() - 1;
    case Day:
        return d.date().day();
    case Hours:
        return d.time().hour();
    case Minutes:
        return d.time().minute();
    case Seconds:
        return d.time().second();
    case Milliseconds:
        return d.time().msec();
    case Weekday:
        return d.date().dayOfWeek() % 7;
    }
    return nan;
}

template <Field F, bool Utc> Value getter(Vm&, const Value& self, Args) {
    return fieldOf(timeOf(self), F, Utc);
}

// Sets field F and those after it that are given (setHours(h, m, s, ms) and the like).
template <Field F, bool Utc> Value setter(Vm& vm, const Value& self, Args args) {
    double t = timeOf(self);
    if (std::isnan(t))
        t = 0;
    double f[7];
    for (int i = 0; i < 7; ++i)
        f[i] = fieldOf(t, static_cast<Field>(i), Utc);
    for (std::size_t i = 0; i < args.size() && F + i < 7; ++i)
        f[F + i] = vm.toNumber(args[i]);
    if (args.empty())
        f[F] = nan;
    setTime(self, makeTime(f[0], f[1], f[2], f[3], f[4], f[5], f[6], Utc));
    return timeOf(self);
}

Value getTime(Vm&, const Value& self, Args) {
    return timeOf(self);
}

Value setTimeMethod(Vm& vm, const Value& self, Args args) {
    setTime(self, vm.toNumber(arg(args, 0)));
    return timeOf(self);
}

Value getYear(Vm&, const Value& self, Args) {
    return fieldOf(timeOf(self), Year, false) - 1900;
}

Value getTimezoneOffset(Vm&, const Value& self, Args) {
    const double t = timeOf(self);
    if (std::isnan(t))
        return nan;
    return -toDateTime(t, false).offsetFromUtc() / 60.0;
}

Value toStringMethod(Vm&, const Value& self, Args) {
    const double t = timeOf(self);
    if (std::isnan(t))
        return QStringLiteral("Invalid Date");
    const QDateTime d = toDateTime(t, false);
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int offset = d.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("GMT%1%2%3")
                             .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                             .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                             .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(QLatin1String(days[d.date().dayOfWeek() % 7]),
             QLatin1String(months[d.date().month() - 1]), QString::number(d.date().day()),
             d.time().toString(QStringLiteral("HH:mm:ss")), zone, QString::number(d.date().year()));
}

} // namespace

void installDate(Vm& vm) {
    Object* proto = vm.heap().make<Object>(vm.protos.object);
    vm.protos.date = proto;
    FunctionObject* ctor = vm.defineClass(QStringLiteral("Date"), dateCall, dateConstruct, proto);
    vm.method(ctor, QStringLiteral("UTC"), utc);
    const std::pair<const char*, NativeFunction> methods[] = {
        {"getFullYear", getter<Year, false>},
        {"getMonth", getter<Month, false>},
        {"getDate", getter<Day, false>},
        {"getDay", getter<Weekday, false>},
        {"getHours", getter<Hours, false>},
        {"getMinutes", getter<Minutes, false>},
        {"getSeconds", getter<Seconds, false>},
        {"getMilliseconds", getter<Milliseconds, false>},
        {"getUTCFullYear", getter<Year, true>},
        {"getUTCMonth", getter<Month, true>},
        {"getUTCDate", getter<Day, true>},
        {"getUTCDay", getter<Weekday, true>},
        {"getUTCHours", getter<Hours, true>},
        {"getUTCMinutes", getter<Minutes, true>},
        {"getUTCSeconds", getter<Seconds, true>},
        {"getUTCMilliseconds", getter<Milliseconds, true>},
        {"setFullYear", setter<Year, false>},
        {"setMonth", setter<Month, false>},
        {"setDate", setter<Day, false>},
        {"setHours", setter<Hours, false>},
        {"setMinutes", setter<Minutes, false>},
        {"setSeconds", setter<Seconds, false>},
        {"setMilliseconds", setter<Milliseconds, false>},
        {"setUTCFullYear", setter<Year, true>},
        {"setUTCMonth", setter<Month, true>},
        {"setUTCDate", setter<Day, true>},
        {"setUTCHours", setter<Hours, true>},
        {"setUTCMinutes", setter<Minutes, true>},
        {"setUTCSeconds", setter<Seconds, true>},
        {"setUTCMilliseconds", setter<Milliseconds, true>},
        {"getYear", getYear},
        {"getTime", getTime},
        {"valueOf", getTime},
        {"setTime", setTimeMethod},
        {"getTimezoneOffset", getTimezoneOffset},
        {"toString", toStringMethod},
    };
    for (const auto& [name, fn] : methods)
        vm.method(proto, QLatin1String(name), fn);
}

} // namespace reelcase::swf::avm1::builtins
