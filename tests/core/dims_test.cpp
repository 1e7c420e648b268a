// Dimension queries, the match list and the marked deletion's trace over
// P{p1{p11, p12}, p2}, Q{G1{Bx, Fx}, G2{Dx, Bx shared}}, an attribute
// dimension R based on P, and S.
#include "support/outline.h"

#include <fstream>

class DimQueries : public test::OutlineTest {};

TEST_F(DimQueries, AnswerFromTheTreeAndTheMatchList)
{
    OtlItem *p = appendDim("P"), *p1 = append(p, "p1"), *p11 = append(p1, "p11"), *p2 = (append(p1, "p12"), append(p, "p2"));
    OtlItem *q = appendDim("Q"), *g1 = append(q, "G1"), *g2 = append(q, "G2"), *bx = append(g1, "Bx");
    OtlItem *shared = (append(g1, "Fx"), append(g2, "Dx"), append(g2, "Bx", OTL_SHARE_SHARED));
    OtlItem *r = appendDim("R", OTL_TAG_ATTRIBUTE), *s = appendDim("S"), *got[9];
    r->attrLink.attrDim.attrBaseDim = p;
    uint16_t n[6] = {};
    char low[2][OTL_NAME_SIZE] = {"", "untouched"};
    const std::vector<OtlStatus> statuses = {
        adShrOtlCountDims(o, &n[0]), adShrOtlFindDim(o, p11, &got[0]), adShrOtlCountGens(o, p1, &n[1]),
        adShrOtlCountGens(o, p2, &n[2]), adShrOtlCountGens(o, nullptr, &n[3]),
        adShrOtlFindParentLowMbr(o, "P", low[0], &n[4]), adShrOtlFindParentLowMbr(o, "no", low[1], &n[5]),
        adShrOtlFindMemberParentCombo(o, "Bx", "G2", &got[1]), adShrOtlFindMemberParentCombo(o, "bx", "P", &got[2]),
        adShrOtlFindMemberParentCombo(o, "bx", nullptr, &got[3]), adShrOtlGetLastChild(o, nullptr, &got[4]),
        adShrOtlGetLastChild(o, p, &got[5]), adShrOtlGetLastChild(o, p11, &got[6]),
        adShrOtlGetLastBaseDimension(o, &got[7]), adShrOtlGetLastAttrDimension(o, &got[8])};
    EXPECT_EQ(statuses, std::vector<OtlStatus>({0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<OtlItem *>(got, got + 9), std::vector<OtlItem *>({p, shared, nullptr, bx, s, p2, nullptr, q, s}));
    EXPECT_EQ(std::vector<uint16_t>(n, n + 6), std::vector<uint16_t>({4, 3, 2, 0, 3, 0}));
    EXPECT_TRUE(low[0] == std::string("p1") && low[1] == std::string("untouched"));
    EXPECT_TRUE(otlGetBaseDimension(r) == p && !otlGetBaseDimension(q) && !otlGetBaseDimension(nullptr));

    // Q's list: Bx Dx Fx G1 G2 Q, the shared Bx left out. Q's second list
    // takes its slot (a failed one keeps the old list); a dimension added
    // once all slots are taken finds none.
    EXPECT_EQ(adShrOtlSetMatchDim(o, "no") + adShrOtlFindMatch(o, "Bx", "Q", low[1]), 2u);
    for (const char *d : {"q", "S", "p1", "R"})
        ASSERT_EQ(adShrOtlSetMatchDim(o, d), OTL_OK);
    const std::string before = dump();
    host.failAt(1);
    EXPECT_TRUE(adShrOtlSetMatchDim(o, "Q") == test::kInjected && dump() == before);
    EXPECT_TRUE(adShrOtlSetMatchDim(o, "Q") == OTL_OK && o->matchCount == 4 && o->matchTable[0].count == 6);
    const char *cases[][3] = {{"Cx", "Q", "G1"}, {"Aa", "Q", "G1"}, {"dx", "Q", "G2"}, {"Fy", "Q", "G1"},
                              {"Q", "Q", "Q"},   {"Zz", "Q", "Q"},  {"p12", "p1", "p1"}, {"x", "S", "S"}};
    for (const auto &c : cases) {
        char parent[OTL_NAME_SIZE] = "";
        EXPECT_TRUE(adShrOtlFindMatch(o, c[0], c[1], parent) == OTL_OK && parent == std::string(c[2])) << c[0];
    }
    appendDim("T");
    EXPECT_EQ(adShrOtlSetMatchDim(o, "T"), OTL_ERR_GENERIC);

    // The universe member's name finds no member to delete; the walk is
    // traced all the same.
    const std::string path = ::testing::TempDir() + "shrotl_trace.txt", marked = (adShrOtlMarkDim(o, OTL_UNIVERSE_NAME), dump());
    std::remove(path.c_str());
    setenv("SHROTL_TRACE", path.c_str(), 1);
    EXPECT_TRUE(adShrOtlDeleteMarked(o, OTL_UNIVERSE_NAME) == OTL_OK && dump() == marked);
    unsetenv("SHROTL_TRACE");
    std::ifstream trace(path);
    std::string begin, end;
    EXPECT_TRUE(std::getline(std::getline(trace, begin), end) && begin.starts_with(" Delete Marked Dimension begin: ") &&
                end.starts_with(" Delete Marked Dimension end: "));
    // Deleting the marked p1 takes its shared copy, the walk's next item,
    // along; the walk goes on with p2.
    OtlItem *copy = test::makeItem(o->host, "p11", OTL_SHARE_SHARED);
    otlAddSiblingItem(p1, copy, 1);
    EXPECT_TRUE(otlHashAddItem(o->host, o, copy) == OTL_OK && adShrOtlDeleteMarked(o, "p1") == OTL_OK && !p->firstChild);
}
