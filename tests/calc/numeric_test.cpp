#include "calc/numeric.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>

namespace wormpair {
namespace {

TEST(RoundToDecimalsTest, FourStepRuleWithTheStoredFactor) {
    struct Case {
        double x;
        int decimals;
        const char* expected;  // as a label would show it
    };
    const Case cases[] = {
        {0.0005, 3, "0"},     {0.0015, 3, "0.002"}, {0.0025, 3, "0.002"},  {1.0005, 3, "1"},
        {1.2345, 3, "1.234"}, {1.2355, 3, "1.236"}, {0.125, 2, "0.12"},    {0.375, 2, "0.37"},
        {12.3456, 2, "12.35"}, {2.5, 0, "2"},       {3.5, 0, "4"},         {-2.5, 0, "-2"},
        {0.25, 1, "0.2"},     {0.55, 1, "0.6"},     {0.75, 1, "0.7"},      {0.4, 1, "0.4"},
        {137.28, 3, "137.28"}, {-0.0004, 3, "0"},  {1e-300, 3, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + " to " + std::to_string(c.decimals));
        EXPECT_EQ(formatReal(roundToDecimals(c.x, c.decimals)), c.expected);
    }
}

TEST(RoundToDecimalsTest, QuotientOutsideTheIntegerRangeIsAnInvalidOperation) {
    try {
        roundToDecimals(1e300, 3);
        FAIL() << "no failure";
    } catch (const CalculationError& e) {
        EXPECT_EQ(e.kind(), FailureKind::InvalidOperation);
    }
}

TEST(TruncTest, TowardZero) {
    const std::pair<long double, std::int64_t> cases[] = {
        {7.9L, 7}, {-7.9L, -7}, {0.999L, 0}, {-0.5L, 0}, {9.0L, 9}, {4294967296.5L, 4294967296LL}};
    for (const auto& [x, expected] : cases) EXPECT_EQ(trunc(Extended(x)), expected) << double(x);
}

TEST(FormatRealTest, GeneralFormatWithFifteenDigits) {
    struct Case {
        long double value;
        const char* expected;
    };
    const Case cases[] = {
        {12.5L, "12.5"},
        {40.0L, "40"},
        {0.1 + 0.2, "0.3"},
        {0.0001L, "0.0001"},
        {0.00012L, "0.00012"},
        {0.00001L, "1E-5"},
        {0.000099999999999999999L, "0.0001"},  // rounds up into fixed notation
        {0.0000999999999999L, "9.99999999999E-5"},
        {1e15L, "1E15"},
        {999999999999999.0L, "999999999999999"},
        {999999999999999.4L, "999999999999999"},
        {999999999999999.6L, "1E15"},  // the 15-digit rounding carries
        {1.5e20L, "1.5E20"},
        {1200.0L, "1200"},
        {-12.5L, "-12.5"},
        {-0.00001L, "-1E-5"},
        {-1e15L, "-1E15"},
        {9.99999999999999999L, "10"},
        {0.999999999999999999L, "1"},
        {123456789012345.6L, "123456789012346"},
        {1.23456789012345678L, "1.23456789012346"},
        {0.0L, "0"},
        {-0.0L, "0"},
        {1e-300L, "1E-300"},
        {5e-324, "4.94065645841247E-324"},  // the smallest denormal double
        {1e4000L, "1E4000"},                  // beyond the double range, still extended
        {1e14L, "100000000000000"},
        {120000000000000.0L, "120000000000000"},
        {100000000000001.0L, "100000000000001"},
        {1.00000000000001L, "1.00000000000001"},
        {0.5L, "0.5"},
        {7.0L, "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatReal(c.value), c.expected);
    }
}

// Digits and exponent of the 15-digit rounding as glibc's printf gives them,
// an independent route to the same rounding.
std::pair<std::string, int> printfDigits(long double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", value < 0 ? -value : value);
    std::string digits;
    const char* p = buffer;
    for (; *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') digits.push_back(*p);
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return {digits, std::atoi(p + 1)};
}

TEST(FormatRealTest, DigitsAgreeWithPrintfAcrossMagnitudes) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-7, 17);
    std::uniform_int_distribution<int> decimals(0, 6);
    for (int i = 0; i < 200000; ++i) {
        long double value = mantissa(random) * std::pow(10.0L, exponent(random));
        if (i % 3 == 0) {  // short decimals, as the rounded results are
            const long double scale = std::pow(10.0L, decimals(random));
            value = std::nearbyint(value * scale) / scale;
        }
        if (i % 2 == 0) value = -value;
        if (value == 0) continue;
        const auto [digits, exponent10] = printfDigits(value);
        const std::string text = formatReal(value);
        std::string shown;
        for (const char c : text.substr(0, text.find('E'))) {
            if (c >= '0' && c <= '9') shown.push_back(c);
        }
        shown.erase(0, std::min(shown.find_first_not_of('0'), shown.size() - 1));
        ASSERT_EQ(shown.substr(0, digits.size()), digits) << text;
        ASSERT_EQ(text.front() == '-', value < 0) << text;
        const bool scientific = text.find('E') != std::string::npos;
        ASSERT_EQ(scientific, exponent10 < -4 || exponent10 > 14) << text;
    }
}

TEST(FormatRealTest, DoublesGiveTheTextOfTheirExtendedValue) {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::uint64_t> bits;
    FormatBuffer buffer;
    for (int i = 0; i < 100000; ++i) {
        double value = 0;
        const std::uint64_t pattern = bits(random);
        std::memcpy(&value, &pattern, sizeof value);  // any double: denormals, huge, tiny
        if (std::isnan(value)) continue;
        ASSERT_EQ(formatReal(value, buffer), formatReal(static_cast<long double>(value))) << value;
    }
    for (const double value : {137.28, 0.0001, 1e15, 5e-324, -0.5, 45.44, 264.0, 1e-5}) {
        EXPECT_EQ(formatReal(value, buffer), formatReal(static_cast<long double>(value)));
    }
}

TEST(FormatIntegerTest, DigitsWithMinusSign) {
    EXPECT_EQ(formatInteger(0), "0");
    EXPECT_EQ(formatInteger(7), "7");
    EXPECT_EQ(formatInteger(-42), "-42");
    EXPECT_EQ(formatInteger(-2147483648LL), "-2147483648");
}

TEST(ParseRealTest, AcceptedTexts) {
    const std::pair<const char*, double> cases[] = {
        {"160", 160},     {"  160  ", 160}, {"-2.5", -2.5}, {"+3", 3},         {"0.2", 0.2},
        {".5", 0.5},      {"5.", 5},        {"1e3", 1000},  {"1E-3", 0.001},   {"2.5e+2", 250},
        {"007", 7},       {"-0", 0},        {"1e-400", 0},  {"1.7976931348623157e308", DBL_MAX},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseReal(text), expected);
    }
}

TEST(ParseRealTest, RejectedTexts) {
    const char* cases[] = {"",    " ",    "abc", "1,5", "1.2.3", "e5",  ".",   "1e",  "1e+",
                           "--1", "+-1",  "1 2", "0x10", "inf",  "nan", "1e309", "12a", "\t5",
                           "５"};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        try {
            parseReal(text);
            ADD_FAILURE() << "accepted";
        } catch (const CalculationError& e) {
            EXPECT_EQ(e.kind(), FailureKind::Conversion);
        }
    }
}

// What a Chinese input method types for a number; anything else stays for
// parseReal to refuse.
TEST(AsciiNumberTextTest, FullWidthNumbersBecomeAscii) {
    const std::pair<const char*, const char*> cases[] = {
        {"１６０", "160"},         {"－２．５ｅ＋３", "-2.5e+3"}, {"１Ｅ－２", "1E-2"},
        {"０。５", "0.5"},         {"1６0", "160"},                {"", ""},
        {"１，５", "1，5"},        {"中心距１", "中心距1"},        {"\xEF\xBC", "\xEF\xBC"},
        {"\xEF\xBC\x8F", "\xEF\xBC\x8F"}};  // ／
    for (const auto& [typed, ascii] : cases) EXPECT_EQ(asciiNumberText(typed), ascii) << typed;
}

TEST(ParseIntegerTest, AcceptedAndRejectedTexts) {
    const std::pair<const char*, std::int32_t> accepted[] = {
        {"45", 45}, {"  45", 45}, {"-3", -3}, {"+7", 7}, {"0", 0},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}};
    for (const auto& [text, expected] : accepted) EXPECT_EQ(parseInteger(text), expected) << text;

    const char* rejected[] = {"", "40.0", "4e1", "45 ", "a", "2147483648", "-2147483649", "- 4",
                              "99999999999999999999"};
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseInteger(text), CalculationError);
    }
}

TEST(ExtendedTest, FailingOperationsReportTheirKind) {
    struct Case {
        const char* name;
        std::function<void()> operation;
        FailureKind kind;
    };
    const Extended huge(1e4000L);
    const Case cases[] = {
        {"x / 0", [] { (void)(Extended(1.0) / Extended(0.0)); }, FailureKind::DivisionByZero},
        {"-x / 0", [] { (void)(Extended(-1.0) / Extended(0.0)); }, FailureKind::DivisionByZero},
        {"0 / 0", [] { (void)(Extended(0.0) / Extended(0.0)); }, FailureKind::InvalidOperation},
        {"sqrt(-1)", [] { (void)squareRoot(Extended(-1.0)); }, FailureKind::InvalidOperation},
        {"arcsin(1.0001)", [] { (void)arcSine(Extended(1.0001)); }, FailureKind::InvalidOperation},
        {"arcsin(-2)", [] { (void)arcSine(Extended(-2.0)); }, FailureKind::InvalidOperation},
        {"product overflow", [=] { (void)(huge * huge); }, FailureKind::Overflow},
        {"sum overflow", [] { (void)(Extended(LDBL_MAX) + Extended(LDBL_MAX)); },
         FailureKind::Overflow},
        {"store overflow", [] { (void)toDouble(Extended(1e300) * Extended(1e300)); },
         FailureKind::Overflow},
        {"(-8)^0.5", [] { (void)power(Extended(-8.0), Extended(0.5)); },
         FailureKind::InvalidOperation},
        {"0^-1.9", [] { (void)power(Extended(0.0), Extended(-1.9L)); },
         FailureKind::DivisionByZero},
        {"trunc(1e19)", [] { (void)trunc(Extended(1e19L)); }, FailureKind::InvalidOperation},
        {"round(-1e19)", [] { (void)roundToInteger(Extended(-1e19L)); },
         FailureKind::InvalidOperation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.operation();
            ADD_FAILURE() << "no failure";
        } catch (const CalculationError& e) {
            EXPECT_EQ(e.kind(), c.kind) << e.what();
        }
    }
}

TEST(ExtendedTest, UnderflowAndInexactPass) {
    const Extended tiny(1e-300);
    EXPECT_NO_THROW((void)toDouble(tiny * tiny));  // underflows to 0 in a double
    EXPECT_EQ(toDouble(tiny * tiny), 0.0);
    EXPECT_NO_THROW((void)(Extended(1.0) / Extended(3.0)));
    EXPECT_EQ(toDouble(Extended(2.5e-310) * Extended(1.0)), 2.5e-310);  // denormal operand
    EXPECT_EQ(power(Extended(0.0), Extended(1.5)).value(), 0.0L);
    EXPECT_EQ(arcSine(Extended(1.0)).value(), kPi / 2);
}

TEST(ExtendedTest, ConstantsHoldTheFpuValues) {
    // pi rounded to the 64-bit significand: 0xC90FDAA22168C235 x 2^-62
    const long double pi = std::ldexp(static_cast<long double>(0xC90FDAA22168C235ULL), -62);
    EXPECT_EQ(kPi, pi);
    EXPECT_EQ(kPiOver180, 0.017453292519943295769L);
    EXPECT_NE(static_cast<long double>(0.65), 0.65L);  // the extended constants are used
    EXPECT_LT(0.65L * 190, 123.5L);
}

TEST(ExtendedTest, TrigonometryOfHugeArgumentsYieldsZero) {
    const long double twoPow63 = std::ldexp(1.0L, 63);
    EXPECT_EQ(sine(Extended(twoPow63)).value(), 0.0L);
    EXPECT_EQ(cosine(Extended(-twoPow63)).value(), 0.0L);
    EXPECT_EQ(tangent(Extended(twoPow63 * 4)).value(), 0.0L);
    EXPECT_NE(sine(Extended(twoPow63 / 2)).value(), 0.0L);
    EXPECT_EQ(toDegrees(arcTangent(Extended(1.0))).value(), 45.0L);
}

}  // namespace
}  // namespace wormpair
