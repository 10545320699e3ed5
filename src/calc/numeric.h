#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Numeric rules shared by every calculating part of the program.
//
// Formulas are evaluated in 80-bit extended precision (long double on x86-64
// with GCC) and stored as doubles. Division by zero, invalid operations and
// overflow fail the running command at the operation that causes them, as an
// x87 FPU with those exceptions unmasked would; underflow and inexact results
// pass silently. Instead of relying on the floating-point environment (which
// compilers may reorder or fold around), every operation on an Extended checks
// its own operands and result.

namespace wormpair {

enum class FailureKind { Conversion, DivisionByZero, InvalidOperation, Overflow };

class CalculationError : public std::runtime_error {
public:
    CalculationError(FailureKind kind, const std::string& what)
        : std::runtime_error(what), m_kind(kind) {}
    FailureKind kind() const { return m_kind; }

private:
    FailureKind m_kind;
};

[[noreturn]] void failConversion(std::string_view text, std::string_view expected);

// An 80-bit extended value whose arithmetic fails like an unmasked FPU.
class Extended {
public:
    constexpr Extended() = default;
    constexpr Extended(long double v) : m_v(v) {}
    constexpr Extended(double v) : m_v(v) {}
    constexpr Extended(int v) : m_v(v) {}
    constexpr Extended(std::int64_t v) : m_v(static_cast<long double>(v)) {}
    constexpr long double value() const { return m_v; }

private:
    long double m_v = 0;
};

[[noreturn]] void failNonFinite(long double result, const char* operation);
[[noreturn]] void failDivision(long double dividend);

// Checks an operation's result: NaN from numbers is an invalid operation,
// infinity from finite numbers an overflow. Operands are always finite: every
// non-finite result fails at once.
inline Extended checkedResult(long double result, const char* operation) {
    if (!__builtin_isfinite(result)) [[unlikely]] failNonFinite(result, operation);
    return Extended(result);
}

inline Extended operator+(Extended a, Extended b) {
    return checkedResult(a.value() + b.value(), "addition");
}
inline Extended operator-(Extended a, Extended b) {
    return checkedResult(a.value() - b.value(), "subtraction");
}
inline Extended operator-(Extended a) { return Extended(-a.value()); }
inline Extended operator*(Extended a, Extended b) {
    return checkedResult(a.value() * b.value(), "multiplication");
}
inline Extended operator/(Extended a, Extended b) {
    if (b.value() == 0) [[unlikely]] failDivision(a.value());
    return checkedResult(a.value() / b.value(), "division");
}

inline bool operator<(Extended a, Extended b) { return a.value() < b.value(); }
inline bool operator>(Extended a, Extended b) { return a.value() > b.value(); }
inline bool operator<=(Extended a, Extended b) { return a.value() <= b.value(); }
inline bool operator>=(Extended a, Extended b) { return a.value() >= b.value(); }
inline bool operator==(Extended a, Extended b) { return a.value() == b.value(); }

// Constants as the FPU holds them: pi to the 64-bit significand, pi/180 as the
// extended constant the two inclination formulas multiply by.
inline constexpr long double kPi = 3.14159265358979323846264338327950288L;
inline constexpr long double kPiOver180 = 0.017453292519943295769L;

Extended sine(Extended x);     // argument of magnitude 2^63 or more yields 0
Extended cosine(Extended x);   // likewise
Extended tangent(Extended x);  // likewise
Extended squareRoot(Extended x);
Extended arcTangent2(Extended y, Extended x);
Extended arcTangent(Extended q);  // arcTangent2(q, 1), in -pi/2 .. pi/2
Extended arcSine(Extended x);     // arcTangent2(x, sqrt(1 - x*x))
Extended power(Extended base, Extended exponent);
Extended absolute(Extended x);

// Degrees to radians as (x * pi) / 180, radians to degrees as (x * 180) / pi.
Extended toRadians(Extended degrees);
Extended toDegrees(Extended radians);

// Stores an extended value into a double, failing when it does not fit.
double toDouble(Extended x);

// Rounds to the nearest integer, ties to even, to a 64-bit integer.
std::int64_t roundToInteger(Extended x);

// Truncation toward zero to a 64-bit integer.
std::int64_t trunc(Extended x);

// The one rounding rule of the program: divide by the stored factor 10^-n,
// round the quotient to an integer (ties to even), multiply back.
double roundToDecimals(double x, int decimals);

// Text to number. A failure throws CalculationError(FailureKind::Conversion).
double parseReal(std::string_view text);
std::int32_t parseInteger(std::string_view text);

// General number text with up to 15 significant digits.
std::string formatReal(long double value);

// The same text in a caller's buffer, for texts built in a hot loop.
using FormatBuffer = std::array<char, 48>;
std::string_view formatReal(long double value, FormatBuffer& buffer);
std::string_view formatReal(double value, FormatBuffer& buffer);  // the same text, sooner
inline std::string formatReal(Extended value) { return formatReal(value.value()); }
std::string formatInteger(std::int64_t value);

}  // namespace wormpair
