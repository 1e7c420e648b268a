// Attribute values and their texts: numbers in canonical form, booleans,
// texts and dates read from names, and short names written from values.
// Dates are checked against the standard calendar under several time zones.
#include "attr/values.h"
#include "core/host.h"
#include "gcharset.h"
#include "support/fixture.h"

#include <algorithm>
#include <chrono>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

using test::HostTest;

namespace {

constexpr OtlStatus kNotNumber = OTL_ERR_ATTR_NOT_NUMBER;

int32_t civilSeconds(int y, unsigned m, unsigned d)
{
    using namespace std::chrono;
    return static_cast<int32_t>(sys_days{year{y} / month{m} / day{d}}.time_since_epoch().count() * 86400);
}

// Sets TZ for the life of the object.
class TimeZone {
public:
    explicit TimeZone(const char *zone)
    {
        const char *old = getenv("TZ");
        hadOld_ = old != nullptr;
        old_ = old ? old : "";
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (hadOld_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool hadOld_;
    std::string old_;
};

const char *const kZones[] = {"UTC", "America/New_York", "Europe/London", "Australia/Lord_Howe",
                              "Asia/Kathmandu", "Pacific/Kiritimati", "Pacific/Pago_Pago",
                              "XST-13XDT,M3.2.0,M11.1.0"};

} // namespace

class AttrValues : public HostTest {
protected:
    // Reads a number name; returns the status, with the canonical name and value.
    OtlStatus number(const std::string &given, std::string *canonical, double *value)
    {
        const size_t size = std::max<size_t>(OTL_NAME_SIZE, given.size() + 1);
        std::string buffer(size + 8, '#');
        char *name = buffer.data();
        memcpy(name, given.c_str(), given.size() + 1);
        OtlAttribute attribute{};
        attribute.type = OTL_ATTR_NUMERIC;
        attribute.value.number = 12345;
        const OtlStatus status = otlAttrValueFromName(host.ctx(), name, &attribute, &outline->attrSpecs);
        *value = attribute.value.number;
        EXPECT_EQ(buffer.substr(size), "########") << "wrote past the name";
        if (status != OTL_OK) {
            EXPECT_EQ(std::string(name), given) << "a refused name is left as it was";
        }
        *canonical = name;
        return status;
    }

    std::string shortName(uint16_t type, const void *value, size_t bytes, OtlStatus expect = 0)
    {
        OtlItem item{};
        item.attrValueType = type;
        memcpy(item.attrValue, value, bytes);
        char out[OTL_NAME_SIZE + 8];
        memset(out, '#', sizeof out);
        out[0] = '\0';
        EXPECT_EQ(otlAttrGetShortName(outline, &item, out), expect);
        EXPECT_EQ(memcmp(out + OTL_NAME_SIZE, "########", 8), 0) << "wrote past the name";
        return out;
    }

    std::string numberText(double v, OtlStatus expect = 0) { return shortName(8, &v, sizeof v, expect); }

    // The value operations read only an outline's host and specifications,
    // so a bare record stands in for a full outline.
    void SetUp() override
    {
        record.host = host.ctx();
        ASSERT_EQ(otlInitDefaultAttrSpecs(outline), OTL_OK);
    }
    void TearDown() override
    {
        adShrOtlFreeAttrSpecsMembers(host.ctx(), &outline->attrSpecs);
        HostTest::TearDown();
    }

    OtlOutline record{};
    OtlOutline *outline = &record;
};

TEST_F(AttrValues, NumberNamesBecomeCanonical)
{
    const struct {
        const char *given, *canonical;
        double value;
    } cases[] = {
        {"007", "7", 7},       {".50", "0.5", 0.5},    {"-2.250", "2.25-", -2.25},
        {"12-", "12-", -12},   {"-2.50", "2.5-", -2.5}, {"+3", "3", 3},
        {"-+5", "5", 5},       {"3.-", "3-", -3},      {"00-5", "5-", -5},
        {"0", "0", 0},         {"000.000", "0", 0},    {".", "0", 0},
        {"-0", "0", 0},        {"0-", "0", 0},         {"-0.00", "0", 0},
        {"10.0100", "10.01", 10.01}, {"0.000001", "0.000001", 1e-6},
        {"1234567890123456789012", "1234567890123456789012", 1234567890123456789012.0},
    };
    for (const auto &c : cases) {
        std::string canonical;
        double value = 0;
        ASSERT_EQ(number(c.given, &canonical, &value), OTL_OK) << c.given;
        EXPECT_EQ(canonical, c.canonical) << c.given;
        EXPECT_EQ(value, c.value) << c.given;
        EXPECT_FALSE(std::signbit(value) && value == 0) << c.given << ": zero has no sign";
    }
}

TEST_F(AttrValues, TextsThatAreNotNumbers)
{
    for (const char *given : {"", "-", "+", "1.2.3", "1e5", "5+", "abc", "5 ", " 5", "1-2", "5--",
                              "0x10", "1,5", "\xEF\xBC\x95", "1\xEF\xBC\x95", "\xD9\xA3", "inf",
                              "nan", "1.5x"}) {
        std::string canonical;
        double value = 0;
        EXPECT_EQ(number(given, &canonical, &value), kNotNumber) << given;
        EXPECT_EQ(value, 12345) << given;
    }
}

TEST_F(AttrValues, NumberNamesAtTheSizeLimit)
{
    std::string canonical;
    double value = 0;
    const std::string nines(80, '9');
    ASSERT_EQ(number(nines, &canonical, &value), OTL_OK);
    EXPECT_EQ(canonical, nines);
    EXPECT_EQ(value, 1e80);
    const std::string decimals = "." + std::string(79, '3'); // "0" put first: 81 bytes
    EXPECT_EQ(number(decimals, &canonical, &value), kNotNumber);
    ASSERT_EQ(number(decimals.substr(0, 79), &canonical, &value), OTL_OK);
    EXPECT_EQ(canonical, "0" + decimals.substr(0, 79));
    const std::string negative = "-" + std::string(79, '4'); // sign moves: still 80
    ASSERT_EQ(number(negative, &canonical, &value), OTL_OK);
    EXPECT_EQ(canonical, std::string(79, '4') + "-");
    EXPECT_EQ(number("-." + std::string(78, '5'), &canonical, &value), kNotNumber);
    EXPECT_EQ(number(std::string(300, '0') + "1." + std::string(300, '0'), &canonical, &value), OTL_OK);
    EXPECT_EQ(canonical, "1");
}

TEST_F(AttrValues, AcceptedNumbersAreStableAndWellFormed)
{
    std::mt19937 random(20240611);
    const char alphabet[] = "0000123456789..--+";
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string given;
        for (int n = random() % 12; n >= 0; --n)
            given += alphabet[random() % (sizeof alphabet - 1)];
        std::string canonical, again;
        double value = 0, valueAgain = 0;
        if (number(given, &canonical, &value) != OTL_OK)
            continue;
        ++accepted;
        ASSERT_EQ(number(canonical, &again, &valueAgain), OTL_OK) << given;
        EXPECT_EQ(again, canonical) << given;
        EXPECT_EQ(valueAgain, value) << given;
        EXPECT_EQ(canonical.find('-'), canonical.back() == '-' ? canonical.size() - 1 : std::string::npos);
        EXPECT_TRUE(canonical == "0" || canonical.rfind("0", 0) != 0 || canonical.rfind("0.", 0) == 0) << given;
        if (canonical.find('.') != std::string::npos) {
            EXPECT_NE(canonical.back() == '-' ? canonical[canonical.size() - 2] : canonical.back(), '0') << given;
        }
        EXPECT_EQ(std::strtod(canonical.c_str(), nullptr), std::fabs(value)) << given;
    }
    EXPECT_GT(accepted, 2000);
}

TEST_F(AttrValues, NumbersWrittenAsShortNames)
{
    EXPECT_EQ(numberText(3.5), "3.5");
    EXPECT_EQ(numberText(10), "10");
    EXPECT_EQ(numberText(-0.25), "0.25-");
    EXPECT_EQ(numberText(0), "0");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(-1e-7), "0");
    EXPECT_EQ(numberText(0.1234567), "0.123457");
    EXPECT_EQ(numberText(-123456.5), "123456.5-");
    // 1e79 is 9.99...e78 as a double: 79 digits, 80 bytes with the sign.
    EXPECT_EQ(numberText(-1e79).size(), 80u);
    EXPECT_EQ(numberText(2e79).size(), 80u);
    EXPECT_EQ(numberText(-2e79, OTL_ERR_ATTR_NAME_LONG), "");
    EXPECT_EQ(numberText(1e80, OTL_ERR_ATTR_NAME_LONG), "");
    EXPECT_EQ(numberText(-DBL_MAX, OTL_ERR_ATTR_NAME_LONG), "");
    EXPECT_EQ(numberText(NAN, kNotNumber), "");
    EXPECT_EQ(numberText(-INFINITY, kNotNumber), "");
    // Whatever is written reads back to the value written.
    std::mt19937_64 random(7);
    for (int i = 0; i < 5000; ++i) {
        const double v = std::ldexp(static_cast<double>(random() % 2000001) - 1e6, static_cast<int>(random() % 60) - 40);
        const std::string text = numberText(v);
        std::string canonical;
        double back = 0;
        ASSERT_EQ(number(text, &canonical, &back), OTL_OK) << v;
        EXPECT_EQ(canonical, text);
        EXPECT_EQ(numberText(back), text) << v;
        EXPECT_NEAR(back, v, 6e-7) << v; // half a unit of the sixth decimal, plus rounding
    }
}

TEST_F(AttrValues, BooleanNamesFoldOnlyAsciiLetters)
{
    OtlAttribute value{};
    value.type = OTL_ATTR_BOOLEAN;
    char name[OTL_NAME_SIZE] = "TRUE";
    ASSERT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &outline->attrSpecs), OTL_OK);
    EXPECT_EQ(value.value.boolean, 1);
    EXPECT_STREQ(name, "TRUE");
    strcpy(name, "fAlSe");
    ASSERT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &outline->attrSpecs), OTL_OK);
    EXPECT_EQ(value.value.boolean, 0);
    for (const char *other : {"Tru", "Truee", "", "yes"}) {
        strcpy(name, other);
        EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &outline->attrSpecs), OTL_ERR_ATTR_NOT_BOOLEAN);
    }
    OtlAttrSpecs specs{};
    specs.trueName = const_cast<char *>("\xC3\x84hnlich"); // "Ähnlich"
    specs.falseName = const_cast<char *>("Nein");
    strcpy(name, "\xC3\xA4HNLICH");
    EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &specs), OTL_ERR_ATTR_NOT_BOOLEAN);
    strcpy(name, "\xC3\x84HNLICH");
    EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &specs), OTL_OK);
    // In Shift_JIS a trail byte may be an ASCII letter: 0x83 0x41 and 0x83
    // 0x61 are two different characters.
    GCLocale sjis = 0;
    ASSERT_EQ(GCRegisterLocale("Shift_JIS", &sjis), GC_OK);
    host.mutableCtx()->localeHandle = sjis;
    specs.trueName = const_cast<char *>("\x83\x41");
    strcpy(name, "\x83\x61");
    EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &specs), OTL_ERR_ATTR_NOT_BOOLEAN);
    specs.trueName = nullptr;
    strcpy(name, "Nein");
    EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &specs), OTL_ERR_ATTR_NOT_BOOLEAN)
        << "both texts are needed";
}

TEST_F(AttrValues, TextValuesAreCopiesSweptForFailure)
{
    OtlAttribute value{};
    value.type = OTL_ATTR_TEXT;
    char name[OTL_NAME_SIZE] = "Red";
    const uint64_t points = test::sweepAllocations(
        host, [&] { return otlAttrValueFromName(host.ctx(), name, &value, &outline->attrSpecs); },
        [&](uint64_t) { EXPECT_EQ(+value.value.text, nullptr); });
    EXPECT_EQ(points, 1u);
    EXPECT_STREQ(value.value.text, "Red");
    EXPECT_NE(+value.value.text, name);
    EXPECT_EQ(adShrOtlFreeAttribute(host.ctx(), &value), OTL_OK);
    EXPECT_EQ(+value.value.text, nullptr);
    // Other types own nothing: bytes that look like a pointer are left alone.
    OtlAttribute number{};
    number.type = OTL_ATTR_NUMERIC;
    number.value.number = 3.5;
    EXPECT_EQ(adShrOtlFreeAttribute(host.ctx(), &number), OTL_OK);
    EXPECT_EQ(+number.value.number, 3.5);
    EXPECT_EQ(adShrOtlFreeAttribute(host.ctx(), nullptr), OTL_OK);
    OtlAttribute none{};
    none.type = 12;
    EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &none, &outline->attrSpecs), OTL_OK);
    EXPECT_EQ(+none.value.text, nullptr);
}

TEST_F(AttrValues, DatesReadInBothOrdersWithCalendarChecks)
{
    const struct {
        const char *name;
        uint16_t format;
        int32_t seconds; // -1: not a date
    } cases[] = {
        {"01-01-1970", 0, 0},
        {"07-04-2000", 0, civilSeconds(2000, 7, 4)},
        {"04-07-2000", 1, civilSeconds(2000, 7, 4)},
        {"7-4-2000", 0, civilSeconds(2000, 7, 4)},
        {"02-29-2000", 0, civilSeconds(2000, 2, 29)},
        {"29-02-1972", 1, civilSeconds(1972, 2, 29)},
        {"01-19-2038", 0, 2147472000},
        {"04-30-2001", 0, civilSeconds(2001, 4, 30)},
        {"01-20-2038", 0, -1}, {"12-31-1969", 0, -1}, {"02-29-1900", 0, -1},
        {"02-29-2100", 0, -1}, {"02-29-2001", 0, -1}, {"02-30-2000", 0, -1},
        {"04-31-2001", 0, -1}, {"06-31-2001", 0, -1}, {"09-31-2001", 0, -1},
        {"11-31-2001", 0, -1}, {"13-01-2000", 0, -1}, {"00-10-2000", 0, -1},
        {"10-00-2000", 0, -1}, {"01-01-0", 0, -1}, {"07-04-2000", 2, -1},
        {"07-04", 0, -1}, {"07-04-2000x", 0, -1}, {"07/04/2000", 0, -1},
        {"07-04-99999999999999999999", 0, -1}, {"-7-4-2000", 0, -1}, {"", 0, -1},
    };
    for (const char *zone : kZones) {
        TimeZone tz(zone);
        for (const auto &c : cases) {
            OtlAttribute value{};
            value.type = OTL_ATTR_DATE;
            value.value.date = 99;
            OtlAttrSpecs specs = outline->attrSpecs;
            specs.dateFormat = c.format;
            char name[OTL_NAME_SIZE];
            strcpy(name, c.name);
            const OtlStatus status = otlAttrValueFromName(host.ctx(), name, &value, &specs);
            EXPECT_STREQ(name, c.name);
            if (c.seconds < 0) {
                EXPECT_EQ(status, OTL_ERR_ATTR_NOT_DATE) << zone << " " << c.name;
                EXPECT_EQ(+value.value.date, 99);
            } else {
                EXPECT_EQ(status, OTL_OK) << zone << " " << c.name;
                EXPECT_EQ(+value.value.date, c.seconds) << zone << " " << c.name;
            }
        }
    }
}

TEST_F(AttrValues, EveryDateRoundTripsInEveryZone)
{
    for (const char *zone : {"UTC", "Europe/London", "Pacific/Kiritimati", "Pacific/Pago_Pago"}) {
        TimeZone tz(zone);
        for (uint16_t format : {0, 1}) {
            outline->attrSpecs.dateFormat = format;
            for (int32_t day = 0; day <= 24855; ++day) {
                const int32_t seconds = day * 86400;
                const std::string text = shortName(OTL_ATTR_DATE, &seconds, sizeof seconds);
                const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{day}}};
                char expected[16];
                const unsigned m = unsigned(date.month()), d = unsigned(date.day());
                snprintf(expected, sizeof expected, "%02u-%02u-%04d", format ? d : m, format ? m : d,
                         int(date.year()));
                ASSERT_EQ(text, expected) << zone;
                int32_t back = -1;
                ASSERT_EQ(otlAttrParseDate(text.c_str(), format, &back), OTL_OK) << zone << " " << text;
                ASSERT_EQ(back, seconds) << zone << " " << text;
            }
        }
    }
}

TEST_F(AttrValues, DatesWrittenAsShortNames)
{
    const int32_t july4 = civilSeconds(2000, 7, 4);
    EXPECT_EQ(shortName(OTL_ATTR_DATE, &july4, 4), "07-04-2000");
    outline->attrSpecs.dateFormat = 1;
    EXPECT_EQ(shortName(OTL_ATTR_DATE, &july4, 4), "04-07-2000");
    outline->attrSpecs.dateFormat = 0;
    const struct {
        int32_t seconds;
        const char *text;
    } cases[] = {{july4 + 86399, "07-04-2000"}, {-1, "12-31-1969"}, {-86400, "12-31-1969"},
                 {-86401, "12-30-1969"}, {INT32_MIN, "12-13-1901"}, {INT32_MAX, "01-19-2038"}};
    for (const auto &c : cases)
        EXPECT_EQ(shortName(OTL_ATTR_DATE, &c.seconds, 4), c.text) << c.seconds;
    outline->attrSpecs.dateFormat = 2;
    EXPECT_EQ(shortName(OTL_ATTR_DATE, &july4, 4), "");
}

TEST_F(AttrValues, ShortNamesByValueType)
{
    uint8_t truth = 2;
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), "True");
    truth = 0;
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), "False");
    char *text = nullptr;
    ASSERT_EQ(otlDupString(host.ctx(), "Red", &text), OTL_OK);
    OtlItem item{};
    item.attrValueType = OTL_ATTR_TEXT;
    memcpy(item.attrValue, &text, sizeof text);
    char out[OTL_NAME_SIZE] = "untouched";
    EXPECT_EQ(otlAttrGetShortName(outline, &item, out), OTL_NO_SHORT_NAME);
    item.attrValueType = OTL_ATTR_NONE;
    EXPECT_EQ(otlAttrGetShortName(outline, &item, out), OTL_NO_SHORT_NAME);
    item.attrValueType = 7;
    EXPECT_EQ(otlAttrGetShortName(outline, &item, out), OTL_OK);
    EXPECT_STREQ(out, "untouched");
    adShrOtlFree(host.ctx(), text);

    // Long boolean texts are cut to whole characters within the name.
    std::string longTrue = std::string(79, 'y') + "\xC3\xA9" + "tail";
    char *old = outline->attrSpecs.trueName;
    outline->attrSpecs.trueName = longTrue.data();
    truth = 1;
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), std::string(79, 'y'));
    longTrue = std::string(120, 'z');
    outline->attrSpecs.trueName = longTrue.data();
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), std::string(80, 'z'));
    outline->attrSpecs.trueName = old;
}
