#pragma once

#include <array>
#include <cstdint>
#include <numbers>
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
inline constexpr long double kPi = std::numbers::pi_v<long double>;
inline constexpr long double kPiOver180 = 0.017453292519943295769L;

[[noreturn]] void failInvalid(const char* what);
[[noreturn]] void failOverflow(const char* what);

namespace fpu {

inline constexpr long double kTwoPow63 = 9223372036854775808.0L;

// The FPU's own instructions, as the calculation has always used them; the
// callers keep the arguments inside their range.
#if defined(__x86_64__) || defined(__i386__)
inline long double sine(long double x) {
    long double r;
    asm("fsin" : "=t"(r) : "0"(x));
    return r;
}
inline long double cosine(long double x) {
    long double r;
    asm("fcos" : "=t"(r) : "0"(x));
    return r;
}
inline long double tangent(long double x) {
    long double r;
    asm("fptan\n\tfstp %%st(0)" : "=t"(r) : "0"(x));
    return r;
}
inline long double arcTangent2(long double y, long double x) {
    long double r;
    asm("fpatan" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
    return r;
}
// Rounds with the FPU's rounding mode: to nearest, ties to even.
inline std::int64_t roundToInt64(long double x) {
    std::int64_t r;
    asm("fistpll %0" : "=m"(r) : "t"(x) : "st");
    return r;
}
#else
inline long double sine(long double x) { return sinl(x); }
inline long double cosine(long double x) { return cosl(x); }
inline long double tangent(long double x) { return tanl(x); }
inline long double arcTangent2(long double y, long double x) { return atan2l(y, x); }
inline std::int64_t roundToInt64(long double x) { return llrintl(x); }
#endif

inline bool fitsInt64(long double v) { return v > -kTwoPow63 - 1 && v < kTwoPow63; }

}  // namespace fpu

// A sine, cosine or tangent argument of magnitude 2^63 or more yields 0.
inline Extended sine(Extended x) {
    if (__builtin_fabsl(x.value()) >= fpu::kTwoPow63) return Extended(0.0L);
    return checkedResult(fpu::sine(x.value()), "sine");
}
inline Extended cosine(Extended x) {
    if (__builtin_fabsl(x.value()) >= fpu::kTwoPow63) return Extended(0.0L);
    return checkedResult(fpu::cosine(x.value()), "cosine");
}
inline Extended tangent(Extended x) {
    if (__builtin_fabsl(x.value()) >= fpu::kTwoPow63) return Extended(0.0L);
    return checkedResult(fpu::tangent(x.value()), "tangent");
}
inline Extended squareRoot(Extended x) {
    if (x.value() < 0) failInvalid("square root of a negative number");
    return checkedResult(__builtin_sqrtl(x.value()), "square root");
}
inline Extended arcTangent2(Extended y, Extended x) {
    return checkedResult(fpu::arcTangent2(y.value(), x.value()), "arctangent");
}
// In -pi/2 .. pi/2.
inline Extended arcTangent(Extended q) { return arcTangent2(q, Extended(1.0L)); }
// An argument outside -1 .. 1 is an invalid operation.
inline Extended arcSine(Extended x) {
    return arcTangent2(x, squareRoot(Extended(1.0L) - x * x));
}
Extended power(Extended base, Extended exponent);
inline Extended absolute(Extended x) { return Extended(__builtin_fabsl(x.value())); }

// Degrees to radians as (x * pi) / 180, radians to degrees as (x * 180) / pi.
inline Extended toRadians(Extended degrees) { return degrees * Extended(kPi) / Extended(180); }
inline Extended toDegrees(Extended radians) { return radians * Extended(180) / Extended(kPi); }

// Stores an extended value into a double, failing when it does not fit.
inline double toDouble(Extended x) {
    const double d = static_cast<double>(x.value());
    if (__builtin_isinf(d)) failOverflow("value does not fit a double");
    return d;
}

// Rounds to the nearest integer, ties to even, to a 64-bit integer.
inline std::int64_t roundToInteger(Extended x) {
    if (!fpu::fitsInt64(x.value())) failInvalid("value does not fit a 64-bit integer");
    return fpu::roundToInt64(x.value());
}

// Truncation toward zero to a 64-bit integer.
inline std::int64_t trunc(Extended x) {
    if (!fpu::fitsInt64(x.value())) failInvalid("value does not fit a 64-bit integer");
    return static_cast<std::int64_t>(x.value());  // conversion truncates toward zero
}

// The one rounding rule of the program: divide by the stored factor 10^-n,
// round the quotient to an integer (ties to even), multiply back. n is 0 to 3.
inline double roundToDecimals(double x, int decimals) {
    // 1 / 10^n in extended precision, stored as a double
    static constexpr double kFactors[] = {
        static_cast<double>(1.0L / 1.0L), static_cast<double>(1.0L / 10.0L),
        static_cast<double>(1.0L / 100.0L), static_cast<double>(1.0L / 1000.0L)};
    if (decimals < 0 || decimals > 3) failInvalid("roundToDecimals takes 0 to 3 decimals");
    const double factor = kFactors[decimals];
    const std::int64_t units = roundToInteger(Extended(x) / Extended(factor));
    return toDouble(Extended(units) * Extended(factor));
}

// Text to number. A failure throws CalculationError(FailureKind::Conversion).
// Only ASCII digits and signs are numbers: a stored or given text is taken as
// it stands.
double parseReal(std::string_view text);
std::int32_t parseInteger(std::string_view text);

// A number as a Chinese input method types it, in ASCII: the full-width digits,
// full stop (also 。), minus, plus and e/E become their ASCII characters;
// every other character stays. For the places where the user types a number.
std::string asciiNumberText(std::string_view text);

// General number text with up to 15 significant digits.
std::string formatReal(long double value);

// The same text in a caller's buffer, for texts built in a hot loop.
using FormatBuffer = std::array<char, 48>;
std::string_view formatReal(long double value, FormatBuffer& buffer);
std::string_view formatReal(double value, FormatBuffer& buffer);  // the same text, sooner
inline std::string formatReal(Extended value) { return formatReal(value.value()); }
std::string formatInteger(std::int64_t value);

}  // namespace wormpair
