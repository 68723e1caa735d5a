#include "swf/script/builtins/builtins.h"

#include <cmath>
#include <numbers>

namespace reelcase::swf::avm1::builtins {
namespace {

double num(Vm& vm, Args args, std::size_t i) {
    return i < args.size() ? vm.toNumber(args[i]) : std::numeric_limits<double>::quiet_NaN();
}

// The player reads two arguments even for one-argument functions: the second is
// converted (its valueOf runs) and ignored; any further ones are not touched.
void convertRest(Vm& vm, Args args, std::size_t from) {
    for (std::size_t i = from; i < std::min<std::size_t>(args.size(), 2); ++i)
        vm.toNumber(args[i]);
}

template <double (*F)(double)> Value unary(Vm& vm, const Value&, Args args) {
    const double x = num(vm, args, 0);
    convertRest(vm, args, 1);
    return F(x);
}

double roundFlash(double d) {
    return std::floor(d + 0.5);
}
double absolute(double d) {
    return std::fabs(d);
}

Value atan2Fn(Vm& vm, const Value&, Args args) {
    const double y = num(vm, args, 0), x = num(vm, args, 1);
    return std::atan2(y, x);
}

// Before SWF 6 a NaN exponent gives NaN even for a base of 1 (C's pow, used since, says 1).
Value powFn(Vm& vm, const Value&, Args args) {
    const double x = num(vm, args, 0), y = num(vm, args, 1);
    return std::isnan(y) && vm.version() < 6 ? y : std::pow(x, y);
}

// Math.min and Math.max compare two arguments (a missing one is NaN, so one argument
// gives NaN); with none they give the identity.
template <bool Max> Value extremum(Vm& vm, const Value&, Args args) {
    if (args.empty())
        return Max ? -std::numeric_limits<double>::infinity()
                   : std::numeric_limits<double>::infinity();
    const double a = vm.toNumber(args[0]);
    const double b = num(vm, args, 1);
    if (std::isnan(a) || std::isnan(b))
        return std::numeric_limits<double>::quiet_NaN();
    return Max ? std::max(a, b) : std::min(a, b);
}

Value randomFn(Vm& vm, const Value&, Args args) {
    convertRest(vm, args, 0);
    return vm.random();
}

} // namespace

void installMath(Vm& vm) {
    Object* math = vm.newObject();
    vm.global->put(QStringLiteral("Math"), math, DontEnum);
    vm.method(math, QStringLiteral("abs"), unary<absolute>);
    vm.method(math, QStringLiteral("acos"), unary<std::acos>);
    vm.method(math, QStringLiteral("asin"), unary<std::asin>);
    vm.method(math, QStringLiteral("atan"), unary<std::atan>);
    vm.method(math, QStringLiteral("ceil"), unary<std::ceil>);
    vm.method(math, QStringLiteral("cos"), unary<std::cos>);
    vm.method(math, QStringLiteral("exp"), unary<std::exp>);
    vm.method(math, QStringLiteral("floor"), unary<std::floor>);
    vm.method(math, QStringLiteral("log"), unary<std::log>);
    vm.method(math, QStringLiteral("round"), unary<roundFlash>);
    vm.method(math, QStringLiteral("sin"), unary<std::sin>);
    vm.method(math, QStringLiteral("sqrt"), unary<std::sqrt>);
    vm.method(math, QStringLiteral("tan"), unary<std::tan>);
    vm.method(math, QStringLiteral("atan2"), atan2Fn);
    vm.method(math, QStringLiteral("pow"), powFn);
    vm.method(math, QStringLiteral("min"), extremum<false>);
    vm.method(math, QStringLiteral("max"), extremum<true>);
    vm.method(math, QStringLiteral("random"), randomFn);
    const std::uint8_t fixed = DontEnum | DontDelete | ReadOnly;
    const std::pair<const char*, double> constants[] = {
        {"E", std::numbers::e},         {"LN10", std::numbers::ln10},
        {"LN2", std::numbers::ln2},     {"LOG10E", std::numbers::log10e},
        {"LOG2E", std::numbers::log2e}, {"PI", std::numbers::pi},
        {"SQRT1_2", std::sqrt(0.5)},    {"SQRT2", std::numbers::sqrt2}};
    for (const auto& [name, value] : constants)
        math->put(QLatin1String(name), value, fixed);
}

} // namespace reelcase::swf::avm1::builtins
