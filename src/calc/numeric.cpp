#include "calc/numeric.h"

#include <clocale>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <limits>

#include <locale.h>
#include <stdlib.h>

namespace wormpair {

namespace {

[[noreturn]] void fail(FailureKind kind, const std::string& what) {
    throw CalculationError(kind, what);
}

bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }


}  // namespace

void failConversion(std::string_view text, std::string_view expected) {
    fail(FailureKind::Conversion,
         "'" + std::string(text) + "' is not a valid " + std::string(expected));
}

void failNonFinite(long double result, const char* operation) {
    if (std::isnan(result)) fail(FailureKind::InvalidOperation, std::string("invalid ") + operation);
    fail(FailureKind::Overflow, std::string("overflow in ") + operation);
}

void failInvalid(const char* what) { fail(FailureKind::InvalidOperation, what); }

void failOverflow(const char* what) { fail(FailureKind::Overflow, what); }

void failDivision(long double dividend) {
    if (dividend == 0) fail(FailureKind::InvalidOperation, "invalid division 0/0");
    fail(FailureKind::DivisionByZero, "division by zero");
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

    // from_chars ignores the process locale: the decimal separator is a full
    // stop whatever the locale says. It takes no plus sign.
    const std::string_view number = body.front() == '+' ? body.substr(1) : body;
    double value = 0;
    const auto [parsedEnd, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // too large is a failure; too small underflows to zero or a denormal
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
        const std::string copy(number);
        value = strtod_l(copy.c_str(), nullptr, cLocale);
    } else if (error != std::errc() || parsedEnd != number.data() + number.size()) {
        failConversion(text, "floating point value");
    }
    if (std::isinf(value)) failConversion(text, "floating point value");
    return value;
}

std::string asciiNumberText(std::string_view text) {
    // in UTF-8: ＋ EF BC 8B, － EF BC 8D, ． EF BC 8E, ０-９ EF BC 90-99,
    // Ｅ EF BC A5, ｅ EF BD 85
    std::string ascii;
    ascii.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
        if (i + 2 < text.size() && byte(0) == 0xEF) {
            const unsigned char b1 = byte(1), b2 = byte(2);
            char c = 0;
            if (b1 == 0xBC && ((b2 >= 0x90 && b2 <= 0x99) || b2 == 0x8B || b2 == 0x8D || b2 == 0x8E)) {
                c = static_cast<char>(b2 - 0x90 + '0');
                if (b2 == 0x8B) c = '+';
                if (b2 == 0x8D) c = '-';
                if (b2 == 0x8E) c = '.';
            } else if (b1 == 0xBC && b2 == 0xA5) {
                c = 'E';
            } else if (b1 == 0xBD && b2 == 0x85) {
                c = 'e';
            }
            if (c != 0) {
                ascii += c;
                i += 3;
                continue;
            }
        }
        if (text.substr(i, 3) == "\u3002") {
            ascii += '.';
            i += 3;
            continue;
        }
        ascii += text[i++];
    }
    return ascii;
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

namespace {

__extension__ using Uint128 = unsigned __int128;

// The value rounded to 15 significant digits: the digits (trailing zeros
// dropped) and the decimal exponent of the first one. Values from 1E-5 up to
// 1E15 are scaled exactly in 128-bit integers; others go through printf,
// which rounds exactly too, only slower.
struct DecimalDigits {
    char digits[16];  // 1 to 15 digits, no trailing zeros
    int length;
    int exponent10;  // value = d.ddd x 10^exponent10

    std::string_view view() const { return {digits, static_cast<std::size_t>(length)}; }
};

constexpr std::uint64_t kPowersOfTen[20] = {1ULL,
                                            10ULL,
                                            100ULL,
                                            1000ULL,
                                            10000ULL,
                                            100000ULL,
                                            1000000ULL,
                                            10000000ULL,
                                            100000000ULL,
                                            1000000000ULL,
                                            10000000000ULL,
                                            100000000000ULL,
                                            1000000000000ULL,
                                            10000000000000ULL,
                                            100000000000000ULL,
                                            1000000000000000ULL,
                                            10000000000000000ULL,
                                            100000000000000000ULL,
                                            1000000000000000000ULL,
                                            10000000000000000000ULL};

// magnitude = significand / 2^shift, read straight from the 80-bit format.
bool splitExtended(long double magnitude, std::uint64_t* significand, int* shift) {
    static_assert(sizeof(long double) >= 10 && LDBL_MANT_DIG == 64, "x87 extended expected");
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &magnitude, sizeof bytes);
    std::memcpy(significand, bytes, 8);
    const int biasedExponent = (bytes[8] | (bytes[9] << 8)) & 0x7FFF;
    *shift = 16383 + 63 - biasedExponent;
    return *significand != 0 && biasedExponent != 0;
}

// round(magnitude x 10^(14 - exponent10)), ties to even, when that is exact
// in 128 bits.
bool scaleExactly(std::uint64_t significand, int shift, int exponent10, Uint128* rounded) {
    const int scale = 14 - exponent10;
    if (scale < 0 || scale > 19 || shift <= 0 || shift >= 127) return false;
    const Uint128 product = static_cast<Uint128>(significand) * kPowersOfTen[scale];
    Uint128 quotient = product >> shift;
    const Uint128 remainder = product & ((static_cast<Uint128>(1) << shift) - 1);
    const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
    if (remainder > half || (remainder == half && (quotient & 1) != 0)) ++quotient;
    *rounded = quotient;
    return true;
}

// magnitude = significand / 2^shift, rounded to 15 digits; nothing when the
// scaling is not exact in 128 bits.
std::optional<DecimalDigits> exactDigits(std::uint64_t significand, int shift) {
    constexpr std::uint64_t kLowest15 = kPowersOfTen[14];
    constexpr std::uint64_t kBeyond15 = kPowersOfTen[15];
    // log10(2) estimate of the decimal exponent, corrected below when one off
    const int binaryExponent = 63 - shift;
    // 1233 / 4096 is just below log10(2); >> rounds toward minus infinity
    int exponent10 = (binaryExponent * 1233) >> 12;
    Uint128 rounded = 0;
    for (int attempt = 0; attempt < 3 && scaleExactly(significand, shift, exponent10, &rounded);
         ++attempt) {
        if (rounded < kLowest15) {
            --exponent10;
            continue;
        }
        if (rounded > kBeyond15) {
            ++exponent10;
            continue;
        }
        if (rounded == kBeyond15) {  // the rounding carried into a new digit
            rounded = kLowest15;
            ++exponent10;
        }
        DecimalDigits result{};
        // drop the trailing zeros while still a number: at most 14 of them
        auto value = static_cast<std::uint64_t>(rounded);
        int length = 15;
        // constant divisors, so that each division is a multiplication
        const auto dropZeros = [&]<std::uint64_t power, int digits>() {
            if (value % power == 0) {
                value /= power;
                length -= digits;
            }
        };
        dropZeros.operator()<100000000ULL, 8>();
        dropZeros.operator()<10000ULL, 4>();
        dropZeros.operator()<100ULL, 2>();
        dropZeros.operator()<10ULL, 1>();
        result.length = length;
        // the digits from the right, two at a time
        static constexpr char kPairs[] =
            "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
            "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
            "8081828384858687888990919293949596979899";
        char* end = result.digits + length;
        while (value >= 100) {
            end -= 2;
            std::memcpy(end, kPairs + 2 * (value % 100), 2);
            value /= 100;
        }
        if (value >= 10) {
            end -= 2;
            std::memcpy(end, kPairs + 2 * value, 2);
        } else {
            *--end = static_cast<char>('0' + value);
        }
        result.exponent10 = exponent10;
        return result;
    }
    return std::nullopt;
}

DecimalDigits printfDigits(long double magnitude) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", magnitude);
    DecimalDigits result{};
    const char* p = buffer;
    for (; *p != 'e' && *p != '\0'; ++p) {
        if (isAsciiDigit(*p) && result.length < 15) result.digits[result.length++] = *p;
    }
    while (result.length > 1 && result.digits[result.length - 1] == '0') --result.length;
    result.exponent10 = std::atoi(p + 1);
    return result;
}

DecimalDigits roundToFifteenDigits(long double magnitude) {
    std::uint64_t significand = 0;
    int shift = 0;
    if (splitExtended(magnitude, &significand, &shift)) {
        if (const auto digits = exactDigits(significand, shift)) return *digits;
    }
    return printfDigits(magnitude);
}

// Doubles skip the 80-bit format: their bits give the significand directly.
DecimalDigits roundToFifteenDigits(double magnitude) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
    if (biasedExponent != 0) {  // normal: (2^52 + fraction) x 2^(exponent - 1075)
        const std::uint64_t significand = ((bits & ((1ULL << 52) - 1)) | (1ULL << 52)) << 11;
        if (const auto digits = exactDigits(significand, 1086 - biasedExponent)) return *digits;
    }
    return printfDigits(magnitude);
}

// The general-format text of the rounded digits.
std::string_view layOut(bool negative, const DecimalDigits& rounded, FormatBuffer& buffer) {
    const std::string_view digits = rounded.view();
    // value = 0.d1d2... x 10^e; at most 1 + 2 + 3 + 15 characters in fixed
    // notation, fewer than 30 in scientific
    const int e = rounded.exponent10 + 1;
    char* const text = buffer.data();
    char* out = text;
    auto put = [&](std::string_view part) {
        for (const char c : part) *out++ = c;
    };
    if (negative) *out++ = '-';
    if (e >= -3 && e <= 15) {
        if (e <= 0) {
            put("0.");
            for (int i = 0; i < -e; ++i) *out++ = '0';
            put(digits);
        } else {
            const auto wholeDigits = static_cast<std::size_t>(e);
            if (digits.size() <= wholeDigits) {
                put(digits);
                for (std::size_t i = digits.size(); i < wholeDigits; ++i) *out++ = '0';
            } else {
                put(digits.substr(0, wholeDigits));
                *out++ = '.';
                put(digits.substr(wholeDigits));
            }
        }
    } else {
        *out++ = digits[0];
        if (digits.size() > 1) {
            *out++ = '.';
            put(digits.substr(1));
        }
        *out++ = 'E';
        out = std::to_chars(out, text + buffer.size(), e - 1).ptr;
    }
    return {text, static_cast<std::size_t>(out - text)};
}

}  // namespace

std::string_view formatReal(long double value, FormatBuffer& buffer) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    const bool negative = value < 0;
    return layOut(negative, roundToFifteenDigits(negative ? -value : value), buffer);
}

std::string_view formatReal(double value, FormatBuffer& buffer) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    const bool negative = value < 0;
    return layOut(negative, roundToFifteenDigits(negative ? -value : value), buffer);
}

std::string formatReal(long double value) {
    FormatBuffer buffer;
    return std::string(formatReal(value, buffer));
}

std::string formatInteger(std::int64_t value) { return std::to_string(value); }

}  // namespace wormpair
