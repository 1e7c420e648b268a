// The Quillfeather Teas outline: time, accounts, product, region and scenario
// dimensions, several hundred members made from fixed word lists, so every
// run prints the same outline, and four attribute dimensions that describe
// the product lines. The accounts carry currency categories and the
// countries their currencies, from which the currency outline is generated.
// Only the public interface builds it; the one field written directly is the
// handle's change-log switch.
#include "demo.h"

#include "changes.h"
#include "files.h"
#include "host.h"
#include "print.h"
#include "status.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace otltool {
namespace {

// Consolidation operators, in the library's numbering.
enum : uint16_t { kAdd, kSubtract, kMultiply, kDivide, kPercent, kIgnore };
// Time balance.
enum : uint16_t { kNoBalance, kFirst, kLast, kAverage };
constexpr uint16_t kSkipMissing = 1;
// Storage types.
enum : uint16_t { kDense = 0, kSparse = 1 };

struct Member {
    std::string_view name;
    uint16_t consolidation = kAdd;
    uint16_t shareOption = OTL_SHARE_STORE_DATA;
    uint16_t timeBalance = kNoBalance;
    uint16_t skipOption = 0;
    std::string_view comment = {};
    std::string_view currency = {}; // a currency category or a currency name
};

template <size_t N>
void copyText(char (&field)[N], std::string_view text, std::string_view what)
{
    if (text.size() >= N)
        throw std::length_error(std::string(what) + " too long: " + std::string(text));
    std::copy(text.begin(), text.end(), field);
    field[text.size()] = '\0';
}

// Adds members in reading order: each new child goes after the children its
// parent already has, each new dimension after the last one.
class Builder {
public:
    explicit Builder(OtlOutline *outline) : outline_(outline) {}

    OtlItem *dimension(const Member &member, uint16_t tag, uint16_t storage)
    {
        OtlMbrInfo info = recordFor(member);
        info.dimensionTag = tag;
        info.storageType = storage;
        OtlItem *added = nullptr;
        check(adShrOtlAddDimension(outline_, &info, lastDimension_, nullptr, &added),
              "adding dimension " + std::string(member.name));
        lastDimension_ = added;
        return added;
    }

    OtlItem *child(OtlItem *parent, const Member &member)
    {
        OtlMbrInfo info = recordFor(member);
        OtlItem *&last = lastChild_[parent];
        OtlItem *added = nullptr;
        check(adShrOtlAddMember(outline_, &info, parent, last, &added, OTL_CHECK_ALL),
              "adding " + std::string(member.name) + " under " + parent->memberName);
        last = added;
        return added;
    }

    void children(OtlItem *parent, std::initializer_list<Member> members)
    {
        for (const Member &member : members)
            child(parent, member);
    }

    void formula(OtlItem *member, const char *text)
    {
        check(adShrOtlSetMemberFormula(outline_, member, text),
              std::string("setting the formula of ") + member->memberName);
    }

    // Label-only and computed members are valid only once they have children
    // or a formula, so they are added as stored members and changed here.
    void shareOption(OtlItem *member, uint16_t option)
    {
        OtlMbrInfo *info = nullptr;
        std::string doing = std::string("changing the share option of ") + member->memberName;
        check(adShrOtlGetMemberInfo(outline_, member, &info), doing);
        info->shareOption = option;
        OtlStatus status = adShrOtlSetMemberInfo(outline_, member, info, OTL_CHECK_ALL);
        adShrOtlFreeMbrInfo(toolHost(), 1, info);
        check(status, doing);
    }

    // An attribute dimension of the given value type; its members take that
    // type (OTL_ATTR_DIM_TYPE) and get their names from their values.
    OtlItem *attributeDimension(std::string_view name, uint16_t valueType)
    {
        OtlMbrInfo info = recordFor({.name = name, .shareOption = OTL_SHARE_COMPUTED});
        info.dimensionTag = OTL_TAG_ATTRIBUTE;
        info.dimensionCategory = OTL_CATEGORY_ATTRIBUTE;
        info.storageType = OTL_STORAGE_SPARSE;
        info.attrValueType = valueType;
        OtlItem *added = nullptr;
        check(adShrOtlAddDimension(outline_, &info, lastDimension_, nullptr, &added),
              "adding attribute dimension " + std::string(name));
        lastDimension_ = added;
        return added;
    }

    OtlItem *attribute(OtlItem *dimension, std::string_view value)
    {
        // Attribute members consolidate with the ignore operator, as
        // verification requires of them.
        OtlMbrInfo info = recordFor(
            {.name = value, .consolidation = kIgnore, .shareOption = OTL_SHARE_COMPUTED});
        info.dimensionTag = OTL_TAG_ATTRIBUTE;
        info.attrValueType = OTL_ATTR_DIM_TYPE;
        OtlItem *&last = lastChild_[dimension];
        OtlItem *added = nullptr;
        check(adShrOtlAddMember(outline_, &info, dimension, last, &added, OTL_CHECK_ALL),
              "adding attribute " + std::string(value));
        last = added;
        return added;
    }

    OtlItem *find(const char *name)
    {
        OtlItem *member = nullptr;
        check(adShrOtlFindMember(outline_, name, &member), std::string("looking up ") + name);
        if (!member)
            throw std::logic_error(std::string("demo outline has no member ") + name);
        return member;
    }

private:
    static OtlMbrInfo recordFor(const Member &member)
    {
        OtlMbrInfo info{};
        copyText(info.memberName, member.name, "member name");
        copyText(info.comment, member.comment, "comment");
        copyText(info.currencyName, member.currency, "currency name");
        // An accounts member's currency category is kept (and saved) only in
        // currency mode 1; other dimensions ignore the mode.
        info.currencyMode = member.currency.empty() ? 0 : 1;
        info.consolidation = member.consolidation;
        info.shareOption = member.shareOption;
        info.timeBalance = member.timeBalance;
        info.skipOption = member.skipOption;
        return info;
    }

    OtlOutline *outline_;
    OtlItem *lastDimension_ = nullptr;
    std::unordered_map<OtlItem *, OtlItem *> lastChild_;
};

void buildYear(Builder &b)
{
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char *const quarters[] = {"Qtr1", "Qtr2", "Qtr3", "Qtr4"};
    OtlItem *year =
        b.dimension({.name = "Calendar", .comment = "Calendar year, January to December"}, OTL_TAG_TIME,
                    kDense);
    for (size_t q = 0; q < 4; ++q) {
        OtlItem *quarter = b.child(year, {.name = quarters[q]});
        for (size_t m = 0; m < 3; ++m)
            b.child(quarter, {.name = months[q * 3 + m]});
    }
}

void buildMeasures(Builder &b)
{
    OtlItem *measures = b.dimension({.name = "Measures"}, OTL_TAG_ACCOUNTS, kDense);
    OtlItem *profit = b.child(measures, {.name = "Profit", .currency = "Average Rate"});
    OtlItem *margin = b.child(profit, {.name = "Margin"});
    b.children(margin, {
                           {.name = "Sales", .comment = "Net of returns and trade discounts"},
                           {.name = "COGS",
                            .consolidation = kSubtract,
                            .comment = "Cost of goods sold, landed"},
                       });
    OtlItem *expenses = b.child(profit, {.name = "Total Expenses", .consolidation = kSubtract});
    for (const char *name : {"Marketing", "Payroll", "Packaging", "Freight", "Rent"})
        b.child(expenses, {.name = name});

    OtlItem *inventory =
        b.child(measures, {.name = "Inventory", .consolidation = kIgnore, .currency = "Ending Rate"});
    b.children(inventory, {
                              {.name = "Opening Stock", .consolidation = kIgnore,
                               .timeBalance = kFirst},
                              {.name = "Purchases", .consolidation = kIgnore},
                              {.name = "Closing Stock", .consolidation = kIgnore,
                               .timeBalance = kLast, .skipOption = kSkipMissing},
                              {.name = "Average Stock", .consolidation = kIgnore,
                               .timeBalance = kAverage},
                          });
    b.shareOption(inventory, OTL_SHARE_LABEL_ONLY);

    OtlItem *ratios = b.child(measures, {.name = "Ratios", .consolidation = kIgnore});
    struct Ratio {
        const char *name;
        const char *formula;
    };
    const Ratio ratioList[] = {{"Margin %", "Margin % Sales;"},
                               {"Profit %", "Profit % Sales;"},
                               {"Stock Turn", "COGS / \"Average Stock\";"}};
    std::vector<OtlItem *> added;
    for (const Ratio &r : ratioList)
        added.push_back(b.child(ratios, {.name = r.name, .consolidation = kIgnore}));
    // A computed member may not be an only child, so the options follow once
    // all the ratios are in place.
    for (size_t i = 0; i < added.size(); ++i) {
        b.formula(added[i], ratioList[i].formula);
        b.shareOption(added[i], OTL_SHARE_COMPUTED);
    }
    b.shareOption(ratios, OTL_SHARE_LABEL_ONLY);

    OtlItem *units = b.child(measures, {.name = "Units", .consolidation = kIgnore});
    b.child(units, {.name = "Units Sold"});
    b.child(units, {.name = "Cups Poured", .comment = "Servings in our own tea rooms"});
}

struct Family {
    const char *name;
    std::initializer_list<const char *> lines;
};

void buildProduct(Builder &b)
{
    static const Family families[] = {
        {"Black Tea",
         {"Assam", "Ceylon", "Keemun", "Lapsang Souchong", "Earl Grey", "English Breakfast"}},
        {"Green Tea", {"Sencha", "Gyokuro", "Matcha", "Dragonwell", "Gunpowder"}},
        {"Oolong", {"Tieguanyin", "Da Hong Pao", "Milky Oolong", "Formosa Oolong"}},
        {"White Tea", {"Silver Needle", "White Peony", "Shou Mei"}},
        {"Herbal Infusions", {"Chamomile", "Peppermint", "Rooibos", "Hibiscus", "Lemon Verbena"}},
        {"Blends", {"Masala Chai", "Ginger Chai", "Spiced Orange"}},
    };
    static const char *const packs[] = {"Loose 100g", "Loose 250g", "Bags 20", "Caddy 50g"};

    OtlItem *product = b.dimension(
        {.name = "Product", .comment = "Finished goods sold under the Quillfeather label"},
        OTL_TAG_NONE, kSparse);
    for (const Family &family : families) {
        OtlItem *group = b.child(product, {.name = family.name});
        for (const char *line : family.lines) {
            std::string_view comment;
            if (std::string_view(line) == "Matcha")
                comment = "Stone-ground, ceremonial grade";
            OtlItem *lineItem = b.child(group, {.name = line, .comment = comment});
            for (const char *pack : packs) {
                std::string sku = std::string(line) + " " + pack;
                b.child(lineItem, {.name = sku});
            }
        }
    }
}

struct Country {
    const char *name;
    const char *currency;
    std::initializer_list<const char *> cities; // the capital first
};

struct Area {
    const char *name;
    std::initializer_list<Country> countries;
};

void buildRegion(Builder &b)
{
    static const Area areas[] = {
        {"North America",
         {{"United States", "USD",
           {"Washington", "New York", "Chicago", "Seattle", "Boston", "San Francisco", "Austin"}},
          {"Canada", "CAD", {"Ottawa", "Toronto", "Vancouver", "Montreal"}},
          {"Mexico", "MXN", {"Mexico City", "Guadalajara", "Monterrey"}}}},
        {"Europe",
         {{"United Kingdom", "GBP", {"London", "Manchester", "Edinburgh", "Bristol", "Leeds"}},
          {"Ireland", "EUR", {"Dublin", "Cork", "Galway"}},
          {"France", "EUR", {"Paris", "Lyon", "Marseille", "Bordeaux"}},
          {"Germany", "EUR", {"Berlin", "Hamburg", "Munich", "Cologne"}},
          {"Netherlands", "EUR", {"Amsterdam", "Rotterdam", "Utrecht"}},
          {"Spain", "EUR", {"Madrid", "Barcelona", "Valencia", "Seville"}},
          {"Italy", "EUR", {"Rome", "Milan", "Turin", "Florence"}},
          {"Sweden", "SEK", {"Stockholm", "Gothenburg", "Malmo"}},
          {"Poland", "PLN", {"Warsaw", "Krakow", "Gdansk"}}}},
        {"Asia Pacific",
         {{"Japan", "JPY", {"Tokyo", "Osaka", "Kyoto", "Sapporo"}},
          {"China", "CNY", {"Beijing", "Shanghai", "Hangzhou", "Chengdu"}},
          {"South Korea", "KRW", {"Seoul", "Busan"}},
          {"Australia", "AUD", {"Canberra", "Sydney", "Melbourne", "Brisbane", "Perth"}},
          {"New Zealand", "NZD", {"Wellington", "Auckland", "Christchurch"}},
          {"India", "INR", {"New Delhi", "Mumbai", "Kolkata", "Bengaluru"}}}},
        {"Middle East and Africa",
         {{"United Arab Emirates", "AED", {"Abu Dhabi", "Dubai"}},
          {"South Africa", "ZAR", {"Pretoria", "Cape Town", "Johannesburg", "Durban"}},
          {"Kenya", "KES", {"Nairobi", "Mombasa"}},
          {"Morocco", "MAD", {"Rabat", "Casablanca", "Marrakesh"}},
          {"Turkey", "TRY", {"Ankara", "Istanbul", "Izmir"}}}},
        {"Latin America",
         {{"Brazil", "BRL", {"Brasilia", "Sao Paulo", "Rio de Janeiro"}},
          {"Argentina", "ARS", {"Buenos Aires", "Cordoba", "Rosario"}},
          {"Chile", "CLP", {"Santiago", "Valparaiso"}},
          {"Colombia", "COP", {"Bogota", "Medellin"}}}},
    };

    OtlItem *region = b.dimension({.name = "Region"}, OTL_TAG_COUNTRY, kSparse);
    std::vector<const char *> capitals;
    std::vector<const char *> teaRooms; // the second city of every country
    for (const Area &area : areas) {
        OtlItem *areaItem = b.child(region, {.name = area.name});
        for (const Country &country : area.countries) {
            OtlItem *countryItem =
                b.child(areaItem, {.name = country.name, .currency = country.currency});
            for (const char *city : country.cities)
                b.child(countryItem, {.name = city});
            capitals.push_back(*country.cities.begin());
            if (country.cities.size() > 1)
                teaRooms.push_back(*(country.cities.begin() + 1));
        }
    }

    // Alternate rollups: further occurrences of cities already in the
    // geography, kept out of the Region total by the ~ operator.
    OtlItem *capitalRollup = b.child(
        region, {.name = "Capital Cities", .consolidation = kIgnore,
                 .comment = "Alternate rollup of the capitals"});
    for (const char *city : capitals)
        b.child(capitalRollup, {.name = city, .shareOption = OTL_SHARE_SHARED});
    OtlItem *roomRollup = b.child(
        region, {.name = "Tea Rooms", .consolidation = kIgnore,
                 .comment = "Cities with a Quillfeather tea room"});
    for (const char *city : teaRooms)
        b.child(roomRollup, {.name = city, .shareOption = OTL_SHARE_SHARED});
}

void buildScenario(Builder &b)
{
    OtlItem *scenario = b.dimension({.name = "Scenario"}, OTL_TAG_NONE, kDense);
    b.child(scenario, {.name = "Actual"});
    b.child(scenario, {.name = "Budget", .consolidation = kIgnore});
    b.child(scenario, {.name = "Forecast", .consolidation = kIgnore});
    OtlItem *variance = b.child(scenario, {.name = "Variance", .consolidation = kIgnore});
    b.formula(variance, "Actual - Budget;");
    b.shareOption(variance, OTL_SHARE_COMPUTED);
    OtlItem *percent = b.child(scenario, {.name = "Variance %", .consolidation = kIgnore});
    b.formula(percent, "Variance % Budget;");
    b.shareOption(percent, OTL_SHARE_COMPUTED);
    b.shareOption(scenario, OTL_SHARE_LABEL_ONLY);
}

// What the product lines are: caffeine per cup, organic or not, the
// harvest date and the origin, as attribute dimensions linked to Product.
// Members are named after their dimension ("Caffeine mg_40"), so equal
// values of different dimensions do not clash.
void buildAttributes(OtlOutline *outline, Builder &b)
{
    struct Line {
        const char *name, *caffeine, *organic, *harvested, *origin;
    };
    static const Line lines[] = {
        {"Assam", "60", "False", "05-12-2026", "Brahmaputra Valley"},
        {"Sencha", "30", "True", "04-28-2026", "Shizuoka"},
        {"Matcha", "70", "True", "05-02-2026", "Uji"},
        {"Silver Needle", "15", "True", "03-30-2026", "Fujian"},
        {"Chamomile", "0", "True", "06-20-2026", "Nile Delta"},
        {"Masala Chai", "45", "False", "05-12-2026", "Brahmaputra Valley"},
    };
    OtlItem *product = b.find("Product");
    OtlItem *dims[] = {b.attributeDimension("Caffeine mg", OTL_ATTR_NUMERIC),
                       b.attributeDimension("Organic", OTL_ATTR_BOOLEAN),
                       b.attributeDimension("Harvested", OTL_ATTR_DATE),
                       b.attributeDimension("Origin", OTL_ATTR_TEXT)};
    OtlAttrSpecs *specs = nullptr;
    check(adShrOtlGetAttributeSpecifications(outline, &specs), "reading the attribute naming");
    specs->nameFormat = OTL_NAME_FORMAT_DIMENSION;
    OtlStatus status = adShrOtlSetAttributeSpecifications(outline, specs);
    adShrOtlFreeAttrSpecs(toolHost(), specs);
    check(status, "setting the attribute naming");
    for (OtlItem *dimension : dims)
        check(adShrOtlAssociateAttributeDimension(outline, product, dimension),
              std::string("linking ") + dimension->memberName + " to Product");
    std::unordered_map<std::string, OtlItem *> made;
    for (const Line &line : lines) {
        const char *values[] = {line.caffeine, line.organic, line.harvested, line.origin};
        for (size_t d = 0; d < 4; ++d) {
            OtlItem *&value = made[std::string(dims[d]->memberName) + "/" + values[d]];
            if (!value)
                value = b.attribute(dims[d], values[d]);
            check(adShrOtlAssociateAttributeMember(outline, b.find(line.name), value, 0),
                  std::string("giving ") + line.name + " " + value->memberName);
        }
    }
}

// Names for readers: a table of long product descriptions and a Japanese
// one, tags on some products and cities, names for the generations of the
// time and product dimensions, and two time series.
void buildNames(OtlOutline *outline, Builder &b)
{
    struct Alias {
        const char *table, *member, *alias;
    };
    static const Alias aliases[] = {
        {"Long Names", "Black Tea", "Fully oxidised black teas"},
        {"Long Names", "Green Tea", "Unoxidised green teas"},
        {"Long Names", "Matcha", "Stone-ground green tea powder"},
        {"Japanese", "Black Tea", "紅茶"},
        {"Japanese", "Green Tea", "緑茶"},
        {"Japanese", "Sencha", "煎茶"},
        {"Japanese", "Gyokuro", "玉露"},
        {"Japanese", "Matcha", "抹茶"},
        {"Japanese", "Oolong", "烏龍茶"},
        {"Japanese", "Tokyo", "東京"},
    };
    for (const char *table : {"Long Names", "Japanese"})
        check(adShrOtlCreateAliasTable(outline, table), std::string("creating alias table ") + table);
    for (const Alias &a : aliases)
        check(adShrOtlSetMemberAlias(outline, b.find(a.member), a.table, a.alias, OTL_CHECK_ALL),
              std::string("giving ") + a.member + " an alias in " + a.table);

    struct Tag {
        const char *member, *text;
    };
    static const Tag tags[] = {{"Chamomile", "Caffeine Free"}, {"Peppermint", "Caffeine Free"},
                               {"Rooibos", "Caffeine Free"},   {"Matcha", "Limited Edition"},
                               {"London", "Flagship"},         {"Tokyo", "Flagship"}};
    for (const Tag &t : tags)
        check(adShrOtlSetUserAttribute(outline, b.find(t.member), t.text),
              std::string("tagging ") + t.member + " " + t.text);

    struct Generation {
        const char *dimension;
        uint16_t number;
        const char *name;
    };
    static const Generation generations[] = {
        {"Calendar", 3, "Months"}, {"Product", 2, "Families"}, {"Product", 3, "Lines"}};
    for (const Generation &g : generations)
        check(adShrOtlSetGenName(outline, g.dimension, g.number, g.name),
              std::string("naming generation ") + std::to_string(g.number) + " of " + g.dimension);
    check(adShrOtlSetLevelName(outline, "Product", 0, "Packs"), "naming the product packs");
    // Year to date counts from the year, quarter to date from the quarter:
    // each series names the time generation it runs from ("Year",
    // "Quarter"), so the time dimension is not called Year.
    check(adShrOtlEnableDTSMember(outline, "Y-T-D", 1, 1), "enabling year to date");
    check(adShrOtlEnableDTSMember(outline, "Q-T-D", 2, 1), "enabling quarter to date");
}

// The edits a planner might make after the outline was saved: a new line with
// its first pack, two new names, two lines moved to the blends, and a line and
// a city dropped (the city's tea-room occurrence goes with it).
void editOutline(OtlOutline *outline, Builder &b)
{
    OtlMbrInfo info{};
    copyText(info.memberName, "Genmaicha", "member name");
    OtlItem *genmaicha = nullptr;
    check(adShrOtlAddMember(outline, &info, nullptr, b.find("Sencha"), &genmaicha, OTL_CHECK_ALL),
          "adding Genmaicha");
    copyText(info.memberName, "Genmaicha Loose 100g", "member name");
    OtlItem *pack = nullptr;
    check(adShrOtlAddMember(outline, &info, genmaicha, nullptr, &pack, OTL_CHECK_ALL),
          "adding Genmaicha Loose 100g");

    check(adShrOtlRenameMember(outline, b.find("Herbal Infusions"), "Tisanes"),
          "renaming Herbal Infusions");
    check(adShrOtlRenameMember(outline, b.find("Milky Oolong"), "Jin Xuan"),
          "renaming Milky Oolong");

    OtlItem *earlGrey = b.find("Earl Grey");
    check(adShrOtlMoveMember(outline, earlGrey, b.find("Blends"), nullptr), "moving Earl Grey");
    check(adShrOtlMoveMember(outline, b.find("English Breakfast"), nullptr, earlGrey),
          "moving English Breakfast");

    check(adShrOtlDeleteMember(outline, b.find("Gunpowder"), OTL_CHECK_ALL),
          "deleting Gunpowder");
    check(adShrOtlDeleteMember(outline, b.find("Manchester"), OTL_CHECK_ALL),
          "deleting Manchester");
}

// Sorts a member's children in descending order; their names, in order.
std::string sortDescending(OtlOutline *outline, Builder &b, const char *parentName)
{
    OtlItem *parent = b.find(parentName);
    check(adShrOtlSortChildren(outline, parent, OTL_SORT_DESCENDING, nullptr, nullptr),
          std::string("sorting the children of ") + parentName);
    std::string order;
    for (OtlItem *child = parent->firstChild; child; child = child->nextSibling)
        order += (order.empty() ? "" : ", ") + std::string(child->memberName);
    return order;
}

} // namespace

void runDemo(const DemoOptions &options, std::ostream &out)
{
    OtlOutlineInfo settings{};
    OtlOutline *created = nullptr;
    check(adShrOtlNewOutline(toolHost(), &settings, &created), "creating an outline");
    OutlineHandle outline(created);

    Builder builder(outline.get());
    buildYear(builder);
    buildMeasures(builder);
    buildProduct(builder);
    buildRegion(builder);
    buildScenario(builder);
    buildAttributes(outline.get(), builder);
    buildNames(outline.get(), builder);

    if (options.changes) {
        // Only the file reader turns the log on, and it does not exist yet;
        // the host may write the handle's fields, so the demo sets the switch
        // itself, as if the outline built above had been saved and reopened.
        outline->changeLogEnabled = 1;
        editOutline(outline.get(), builder);
    }
    const std::string sorted = sortDescending(outline.get(), builder, "White Tea");
    OtlOutline *generated = nullptr;
    check(adShrOtlGenerateCurrencyOutline(outline.get(), &generated),
          "generating the currency outline");
    OutlineHandle currency(generated);

    out << "Quillfeather Teas: sales outline\n\n";
    printWhole(outline.get(), options.properties, out);
    out << "\nWhite Tea sorted descending: " << sorted << '\n';

    out << "\nQuillfeather Teas: currency outline\n\n";
    printOutline(currency.get(), {.properties = options.properties}, out);
    out << '\n';
    printSummary(countOutline(currency.get()), out);
    if (!options.save.empty())
        saveOutline(outline.get(), options.save);
}

} // namespace otltool
