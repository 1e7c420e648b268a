// Attribute values and their texts: numbers in canonical form, booleans,
// texts and dates read from names, and short names written from values.
// Dates are checked against the standard calendar under several time zones.
#include "attr/values.h"
#include "support/outline.h"

#include <cfloat>
#include <chrono>
#include <cmath>
#include <random>

namespace {

constexpr OtlStatus kNotNumber = OTL_ERR_ATTR_NOT_NUMBER;

int32_t civilSeconds(int y, unsigned m, unsigned d)
{
    using namespace std::chrono;
    return static_cast<int32_t>(sys_days{year{y} / month{m} / day{d}}.time_since_epoch().count() * 86400);
}

// Sets TZ for the life of the object.
struct TimeZone {
    const std::string old = getenv("TZ") ? getenv("TZ") : "";
    explicit TimeZone(const char *zone) { setenv("TZ", zone, 1), tzset(); }
    ~TimeZone() { old.empty() ? unsetenv("TZ") : setenv("TZ", old.c_str(), 1), tzset(); }
};

const char *const kZones[] = {"UTC", "America/New_York", "Europe/London", "Australia/Lord_Howe",
                              "Asia/Kathmandu", "Pacific/Kiritimati", "Pacific/Pago_Pago",
                              "XST-13XDT,M3.2.0,M11.1.0"};

class AttrValues : public test::OutlineTest {
protected:
    void SetUp() override
    {
        OutlineTest::SetUp();
        ASSERT_EQ(otlInitDefaultAttrSpecs(o), OTL_OK);
    }

    // Reads a number name: the status, with the name as left and the value
    // (12345 when none was stored).
    OtlStatus number(const std::string &given, std::string *canonical, double *value)
    {
        const size_t size = std::max<size_t>(OTL_NAME_SIZE, given.size() + 1);
        std::string buffer = given + std::string(size + 8 - given.size(), '#');
        buffer[given.size()] = '\0';
        OtlAttribute attribute{OTL_ATTR_NUMERIC, {12345}};
        const OtlStatus status = otlAttrValueFromName(host.ctx(), buffer.data(), &attribute, &o->attrSpecs);
        *value = attribute.value.number;
        *canonical = buffer.c_str();
        EXPECT_EQ(buffer.substr(size), "########") << "wrote past the name";
        return status;
    }

    // The short name written from a value; "?" when nothing was written,
    // "" when the writer failed.
    std::string shortName(uint16_t type, const void *value, size_t bytes, OtlStatus expect = OTL_OK)
    {
        OtlItem item{};
        item.attrValueType = type;
        memcpy(item.attrValue, value, bytes);
        char out[OTL_NAME_SIZE + 8];
        memset(out, '#', sizeof out);
        out[0] = '?';
        out[1] = '\0';
        EXPECT_EQ(otlAttrGetShortName(o, &item, out), expect);
        EXPECT_EQ(std::string(out + OTL_NAME_SIZE, 8), "########") << "wrote past the name";
        return out;
    }

    std::string numberText(double v, OtlStatus expect = OTL_OK) { return shortName(8, &v, sizeof v, expect); }
};

} // namespace

TEST_F(AttrValues, NumberNamesReadToCanonicalTextAndWrittenNumbersReadBack)
{
    const struct {
        std::string given, canonical; // "" when not a number
        double value;                 // NAN: not compared
    } rows[] = {
        {"007", "7", 7}, {".50", "0.5", 0.5}, {"-2.250", "2.25-", -2.25}, {"12-", "12-", -12}, {"-2.50", "2.5-", -2.5},
        {"+3", "3", 3}, {"-+5", "5", 5}, {"3.-", "3-", -3}, {"00-5", "5-", -5}, {"0", "0", 0}, {"000.000", "0", 0},
        {".", "0", 0}, {"-0", "0", 0}, {"0-", "0", 0}, {"-0.00", "0", 0}, {"10.0100", "10.01", 10.01},
        {"0.000001", "0.000001", 1e-6}, {"1.5x", "", 0}, {"", "", 0}, {"-", "", 0}, {"+", "", 0},
        {"1234567890123456789012", "1234567890123456789012", 1234567890123456789012.0},
        {std::string(80, '9'), std::string(80, '9'), 1e80},
        {"." + std::string(79, '3'), "", NAN}, // "0" put first: 81 bytes
        {"." + std::string(78, '3'), "0." + std::string(78, '3'), NAN},
        {"-" + std::string(79, '4'), std::string(79, '4') + "-", NAN}, // the sign moves: still 80
        {"-." + std::string(78, '5'), "", NAN},
        {std::string(300, '0') + "1." + std::string(300, '0'), "1", 1},
        {"1.2.3", "", 0}, {"1e5", "", 0}, {"5+", "", 0}, {"abc", "", 0}, {"5 ", "", 0}, {" 5", "", 0}, {"1-2", "", 0},
        {"5--", "", 0}, {"0x10", "", 0}, {"1,5", "", 0}, {"\xEF\xBC\x95", "", 0}, {"1\xEF\xBC\x95", "", 0},
        {"\xD9\xA3", "", 0}, {"inf", "", 0}, {"nan", "", 0},
    };
    for (const auto &r : rows) {
        std::string canonical;
        double value = 0;
        EXPECT_EQ(number(r.given, &canonical, &value), r.canonical.empty() ? kNotNumber : OTL_OK) << r.given;
        EXPECT_EQ(canonical, r.canonical.empty() ? r.given : r.canonical) << "a refused name is left as it was";
        if (r.canonical.empty() || !std::isnan(r.value)) {
            EXPECT_EQ(value, r.canonical.empty() ? 12345 : r.value) << r.given;
        }
        EXPECT_FALSE(std::signbit(value) && value == 0) << r.given << ": zero has no sign";
    }
    // Accepted numbers are stable; whatever is written reads back.
    std::mt19937_64 random(20240611);
    const char alphabet[] = "0000123456789..--+";
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string given, canonical, again, text;
        for (int n = random() % 12; n >= 0; --n)
            given += alphabet[random() % (sizeof alphabet - 1)];
        double value = 0, valueAgain = 0;
        if (number(given, &canonical, &value) == OTL_OK) {
            ++accepted;
            ASSERT_EQ(number(canonical, &again, &valueAgain), OTL_OK) << given;
            EXPECT_EQ(again, canonical) << given;
            EXPECT_EQ(valueAgain, value) << given;
            const bool negative = canonical.back() == '-';
            EXPECT_EQ(canonical.find('-'), negative ? canonical.size() - 1 : std::string::npos);
            EXPECT_TRUE(canonical == "0" || canonical[0] != '0' || canonical.rfind("0.", 0) == 0) << given;
            EXPECT_TRUE(canonical.find('.') == std::string::npos || canonical[canonical.size() - 1 - negative] != '0')
                << given;
            EXPECT_EQ(std::strtod(canonical.c_str(), nullptr), std::fabs(value)) << given;
        }
        // Whatever is written reads back to the value written.
        const double v =
            std::ldexp(static_cast<double>(random() % 2000001) - 1e6, static_cast<int>(random() % 60) - 40);
        text = numberText(v);
        ASSERT_EQ(number(text, &canonical, &value), OTL_OK) << v;
        EXPECT_EQ(canonical, text);
        EXPECT_EQ(numberText(value), text) << v;
        EXPECT_NEAR(value, v, 6e-7) << v; // half a unit of the sixth decimal, plus rounding
    }
    EXPECT_GT(accepted, 2000);
}

TEST_F(AttrValues, BooleanNamesFoldOnlyAsciiLettersAndTextValuesAreCopies)
{
    const struct {
        const char *trueName, *given;
        int value; // -1: not a boolean
        bool shiftJis = false;
    } rows[] = {
        {"True", "TRUE", 1}, {"True", "fAlSe", 0}, {"True", "Tru", -1}, {"True", "Truee", -1}, {"True", "", -1},
        {"True", "yes", -1}, {"\xC3\x84hnlich", "\xC3\xA4HNLICH", -1}, {"\xC3\x84hnlich", "\xC3\x84HNLICH", 1},
        // In Shift_JIS a trail byte may be an ASCII letter: 0x83 0x41 and
        // 0x83 0x61 are two different characters.
        {"\x83\x41", "\x83\x61", -1, true}, {"\x83\x41", "\x83\x41", 1, true},
        {nullptr, "False", -1}, // both texts are needed
    };
    for (const auto &r : rows) {
        OtlAttrSpecs specs = o->attrSpecs;
        specs.trueName = const_cast<char *>(r.trueName);
        host.mutableCtx()->localeHandle = r.shiftJis ? test::localeOf("Shift_JIS") : 0;
        OtlAttribute value{OTL_ATTR_BOOLEAN, {}};
        memset(value.value.raw, 0xAB, 8);
        char name[OTL_NAME_SIZE];
        strcpy(name, r.given);
        EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &value, &specs),
                  r.value < 0 ? OTL_ERR_ATTR_NOT_BOOLEAN : OTL_OK)
            << r.given;
        EXPECT_STREQ(name, r.given);
        uint8_t expected[8];
        memset(expected, r.value < 0 ? 0xAB : 0, 8); // the whole value, or nothing
        expected[0] = r.value < 0 ? 0xAB : r.value;
        EXPECT_EQ(memcmp(value.value.raw, expected, 8), 0) << r.given;
    }
    // Text values are copies, swept for failure.
    OtlAttribute value{OTL_ATTR_TEXT, {}};
    char name[OTL_NAME_SIZE] = "Red";
    test::sweepAllocations(
        host, [&] { return otlAttrValueFromName(host.ctx(), name, &value, &o->attrSpecs); },
        [&](uint64_t) { EXPECT_EQ(+value.value.text, nullptr); });
    EXPECT_STREQ(value.value.text, "Red");
    EXPECT_NE(+value.value.text, name);
    EXPECT_EQ(adShrOtlFreeAttribute(host.ctx(), &value), OTL_OK);
    EXPECT_EQ(+value.value.text, nullptr);
    // Other types own nothing: bytes that look like a pointer are left alone.
    OtlAttribute number{OTL_ATTR_NUMERIC, {3.5}};
    EXPECT_EQ(adShrOtlFreeAttribute(host.ctx(), &number), OTL_OK);
    EXPECT_EQ(+number.value.number, 3.5);
    EXPECT_EQ(adShrOtlFreeAttribute(host.ctx(), nullptr), OTL_OK);
    OtlAttribute none{12, {}};
    EXPECT_EQ(otlAttrValueFromName(host.ctx(), name, &none, &o->attrSpecs), OTL_OK);
    EXPECT_EQ(+none.value.text, nullptr);
}

TEST_F(AttrValues, DatesReadWithCalendarChecksAndRoundTripInEveryZone)
{
    const struct {
        const char *name;
        uint16_t format;
        int32_t seconds; // -1: not a date
    } rows[] = {
        // Every valid date of both orders reads back in the round trip below.
        {"01-01-1970", 0, 0}, {"7-4-2000", 0, civilSeconds(2000, 7, 4)}, {"01-20-2038", 0, -1}, {"12-31-1969", 0, -1},
        {"02-29-1900", 0, -1}, {"02-29-2100", 0, -1}, {"02-29-2001", 0, -1}, {"02-30-2000", 0, -1},
        {"04-31-2001", 0, -1}, {"06-31-2001", 0, -1}, {"09-31-2001", 0, -1}, {"11-31-2001", 0, -1},
        {"13-01-2000", 0, -1}, {"00-10-2000", 0, -1}, {"10-00-2000", 0, -1}, {"01-01-0", 0, -1}, {"07-04-2000", 2, -1},
        {"07-04", 0, -1}, {"07-04-2000x", 0, -1}, {"07/04/2000", 0, -1}, {"07-04-99999999999999999999", 0, -1},
        {"-7-4-2000", 0, -1}, {"", 0, -1},
    };
    for (const char *zone : kZones) {
        TimeZone tz(zone);
        for (const auto &r : rows) {
            // The whole value is written: no byte of an earlier value stays.
            OtlAttribute value{OTL_ATTR_DATE, {}};
            memset(value.value.raw, 0xAB, 8);
            o->attrSpecs.dateFormat = r.format;
            char name[OTL_NAME_SIZE];
            strcpy(name, r.name);
            const OtlStatus status = otlAttrValueFromName(host.ctx(), name, &value, &o->attrSpecs);
            EXPECT_STREQ(name, r.name);
            EXPECT_EQ(status, r.seconds < 0 ? OTL_ERR_ATTR_NOT_DATE : OTL_OK) << zone << " " << r.name;
            int32_t expected[2] = {r.seconds, 0};
            if (r.seconds < 0)
                memset(expected, 0xAB, 8);
            EXPECT_EQ(memcmp(value.value.raw, expected, 8), 0) << zone << " " << r.name;
        }
    }
    for (const char *zone : {"UTC", "Europe/London", "Pacific/Kiritimati", "Pacific/Pago_Pago"}) {
        TimeZone tz(zone);
        for (uint16_t format : {0, 1}) {
            o->attrSpecs.dateFormat = format;
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

TEST_F(AttrValues, ValuesWrittenAsShortNames)
{
    const struct {
        double value;
        const char *text;
        OtlStatus status;
    } numbers[] = {
        // Other values are written as they read back in the random test above.
        {-0.25, "0.25-", OTL_OK}, {0, "0", OTL_OK}, {-0.0, "0", OTL_OK}, {-1e-7, "0", OTL_OK},
        {0.1234567, "0.123457", OTL_OK},
        // 1e79 is 9.99...e78 as a double: 79 digits, 80 bytes with the sign.
        {-1e79, "9999999999999999673560075006595519222746403606649979913266024618633003221909504-", OTL_OK},
        {2e79, "19999999999999999347120150013191038445492807213299959826532049237266006443819008", OTL_OK},
        {-2e79, "", OTL_ERR_ATTR_NAME_LONG}, {1e80, "", OTL_ERR_ATTR_NAME_LONG},
        {-DBL_MAX, "", OTL_ERR_ATTR_NAME_LONG}, {NAN, "", kNotNumber}, {-INFINITY, "", kNotNumber},
    };
    for (const auto &r : numbers)
        EXPECT_EQ(numberText(r.value, r.status), r.text) << r.value;
    const int32_t july4 = civilSeconds(2000, 7, 4);
    const struct {
        int32_t seconds;
        uint16_t format;
        const char *text;
    } rows[] = {{july4 + 86399, 0, "07-04-2000"}, {-1, 0, "12-31-1969"}, {-86400, 0, "12-31-1969"}, {july4, 2, "?"},
                {-86401, 0, "12-30-1969"}, {INT32_MIN, 0, "12-13-1901"}, {INT32_MAX, 0, "01-19-2038"}};
    for (const auto &r : rows) {
        o->attrSpecs.dateFormat = r.format;
        EXPECT_EQ(shortName(OTL_ATTR_DATE, &r.seconds, 4), r.text) << r.seconds;
    }
    char text[OTL_NAME_SIZE] = "untouched";
    EXPECT_FALSE(otlAttrFormatDate(july4, 2, text));
    EXPECT_STREQ(text, "") << "left empty on failure";

    uint8_t truth = 2;
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), "True");
    truth = 0;
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), "False");
    // Long boolean texts are cut to whole characters within the name.
    std::string longTrue = std::string(79, 'y') + "\xC3\xA9" + "tail";
    char *const old = o->attrSpecs.trueName;
    o->attrSpecs.trueName = longTrue.data();
    truth = 1;
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), std::string(79, 'y'));
    longTrue = std::string(120, 'z');
    o->attrSpecs.trueName = longTrue.data();
    EXPECT_EQ(shortName(OTL_ATTR_BOOLEAN, &truth, 1), std::string(80, 'z'));
    o->attrSpecs.trueName = old;
    // Texts and values without a type have no short name; unknown types write none.
    const char *red = "Red";
    EXPECT_EQ(shortName(OTL_ATTR_TEXT, &red, sizeof red, OTL_NO_SHORT_NAME), "?");
    EXPECT_EQ(shortName(OTL_ATTR_NONE, &truth, 1, OTL_NO_SHORT_NAME), "?");
    EXPECT_EQ(shortName(7, &truth, 1), "?");
}
