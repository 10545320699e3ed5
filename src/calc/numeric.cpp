#include "calc/numeric.h"

#include <clocale>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include <locale.h>
#include <stdlib.h>

namespace wormpair {

namespace {

constexpr long double kTwoPow63 = 9223372036854775808.0L;

[[noreturn]] void fail(FailureKind kind, const std::string& what) {
    throw CalculationError(kind, what);
}

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void failConversion(std::string_view text, std::string_view expected) {
    fail(FailureKind::Conversion,
         "'" + std::string(text) + "' is not a valid " + std::string(expected));
}

Extended checkedResult(long double result, const char* operation) {
    if (std::isnan(result)) fail(FailureKind::InvalidOperation, std::string("invalid ") + operation);
    if (std::isinf(result)) fail(FailureKind::Overflow, std::string("overflow in ") + operation);
    return Extended(result);
}

Extended operator/(Extended a, Extended b) {
    if (b.value() == 0) {
        if (a.value() == 0) fail(FailureKind::InvalidOperation, "invalid division 0/0");
        fail(FailureKind::DivisionByZero, "division by zero");
    }
    return checkedResult(a.value() / b.value(), "division");
}

Extended sine(Extended x) {
    if (std::fabs(x.value()) >= kTwoPow63) return Extended(0.0L);
    return checkedResult(sinl(x.value()), "sine");
}

Extended cosine(Extended x) {
    if (std::fabs(x.value()) >= kTwoPow63) return Extended(0.0L);
    return checkedResult(cosl(x.value()), "cosine");
}

Extended tangent(Extended x) {
    if (std::fabs(x.value()) >= kTwoPow63) return Extended(0.0L);
    return checkedResult(tanl(x.value()), "tangent");
}

Extended squareRoot(Extended x) {
    if (x.value() < 0) fail(FailureKind::InvalidOperation, "square root of a negative number");
    return checkedResult(sqrtl(x.value()), "square root");
}

Extended arcTangent2(Extended y, Extended x) {
    return checkedResult(atan2l(y.value(), x.value()), "arctangent");
}

Extended arcTangent(Extended q) { return arcTangent2(q, Extended(1.0L)); }

Extended arcSine(Extended x) {
    return arcTangent2(x, squareRoot(Extended(1.0L) - x * x));
}

Extended power(Extended base, Extended exponent) {
    const long double b = base.value();
    const long double e = exponent.value();
    if (b == 0) {
        if (e < 0) fail(FailureKind::DivisionByZero, "zero raised to a negative power");
        if (e == 0) return Extended(1.0L);
        return Extended(0.0L);
    }
    if (b < 0 && e != std::nearbyint(e)) {
        fail(FailureKind::InvalidOperation, "negative number raised to a fractional power");
    }
    return checkedResult(powl(b, e), "power");
}

Extended absolute(Extended x) { return Extended(std::fabs(x.value())); }

Extended toRadians(Extended degrees) { return degrees * Extended(kPi) / Extended(180); }

Extended toDegrees(Extended radians) { return radians * Extended(180) / Extended(kPi); }

double toDouble(Extended x) {
    const double d = static_cast<double>(x.value());
    if (std::isinf(d)) fail(FailureKind::Overflow, "value does not fit a double");
    return d;
}

std::int64_t roundToInteger(Extended x) {
    const long double v = x.value();
    if (!(v > -kTwoPow63 - 1 && v < kTwoPow63)) {
        fail(FailureKind::InvalidOperation, "value does not fit a 64-bit integer");
    }
    // The default rounding mode is round to nearest, ties to even.
    const long double rounded = std::nearbyint(v);
    if (rounded >= kTwoPow63) fail(FailureKind::InvalidOperation, "value does not fit a 64-bit integer");
    return static_cast<std::int64_t>(rounded);
}

std::int64_t trunc(Extended x) {
    const long double v = x.value();
    if (!(v > -kTwoPow63 - 1 && v < kTwoPow63)) {
        fail(FailureKind::InvalidOperation, "value does not fit a 64-bit integer");
    }
    return static_cast<std::int64_t>(std::trunc(v));
}

double roundToDecimals(double x, int decimals) {
    static const double factors[] = {
        static_cast<double>(1.0L / 1.0L), static_cast<double>(1.0L / 10.0L),
        static_cast<double>(1.0L / 100.0L), static_cast<double>(1.0L / 1000.0L)};
    if (decimals < 0 || decimals > 3) throw std::invalid_argument("roundToDecimals: 0 to 3 decimals");
    const double factor = factors[decimals];
    const std::int64_t units = roundToInteger(Extended(x) / Extended(factor));
    return toDouble(Extended(units) * Extended(factor));
}

double parseReal(std::string_view text) {
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n && text[pos] == ' ') ++pos;
    std::size_t end = n;
    while (end > pos && text[end - 1] == ' ') --end;
    const std::string_view body = text.substr(pos, end - pos);

    // optional sign, digits with an optional decimal point (at least one
    // digit in all), optional exponent with an optional sign
    std::size_t i = 0;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < body.size() && isAsciiDigit(body[i])) ++i, ++digits;
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && isAsciiDigit(body[i])) ++i, ++digits;
    }
    if (digits == 0) failConversion(text, "floating point value");
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < body.size() && isAsciiDigit(body[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) failConversion(text, "floating point value");
    }
    if (i != body.size()) failConversion(text, "floating point value");

    // The C locale: the decimal separator is a full stop whatever the
    // process locale says.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    const std::string copy(body);
    const double value = strtod_l(copy.c_str(), nullptr, cLocale);
    if (std::isinf(value)) failConversion(text, "floating point value");
    return value;
}

std::int32_t parseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) failConversion(text, "integer value");
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!isAsciiDigit(text[i])) failConversion(text, "integer value");
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > std::int64_t{1} << 31) failConversion(text, "integer value");
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) failConversion(text, "integer value");
    return static_cast<std::int32_t>(value);
}

std::string formatReal(long double value) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

    // 15 significant digits, correctly rounded (ties to even): d.dddddddddddddde±x
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", value);
    std::string_view s(buffer);
    const bool negative = s.front() == '-';
    if (negative) s.remove_prefix(1);
    std::string digits;
    std::size_t i = 0;
    for (; i < s.size() && s[i] != 'e'; ++i) {
        if (isAsciiDigit(s[i])) digits.push_back(s[i]);
    }
    const int exponent10 = std::atoi(std::string(s.substr(i + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    // value = 0.d1d2... x 10^e
    const int e = exponent10 + 1;
    std::string out = negative ? "-" : "";
    if (e >= -3 && e <= 15) {
        if (e <= 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-e), '0');
            out += digits;
        } else {
            const auto intDigits = static_cast<std::size_t>(e);
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out += '.';
                out += digits.substr(intDigits);
            }
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(e - 1);
    }
    return out;
}

std::string formatInteger(std::int64_t value) { return std::to_string(value); }

}  // namespace wormpair
