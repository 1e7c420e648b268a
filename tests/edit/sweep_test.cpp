// Every allocating edit swept with failure injection: each failed run must
// hand back the injected status, leave its out-parameter alone, keep no
// block it took, and leave the outline's dump exactly as it was, marks
// included.
#include "support/outline.h"

#include <functional>

class EditSweep : public test::OutlineTest {};

TEST_F(EditSweep, EveryEditFailsCleanlyAtEachOfItsAllocations)
{
    // An outline with two dimensions, a subtree whose members have shared
    // copies in the same dimension, and the change log on with an add and a
    // rename already in it; rebuilt for each row. The attribute rows add a
    // numeric dimension Hue{Warm{Warm_10, Warm_20}}, whose value members'
    // names carry their parent's.
    OtlItem *a, *b, *p, *q, *r, *other, *b1, *newcomer, *out, *hue = nullptr, *warm = nullptr;
    OtlMbrInfo commented = test::info("fresh"), colour = test::attrInfo("Colour", OTL_ATTR_NONE);
    std::strcpy(commented.comment, "a comment");
    colour.storageType = 1;
    colour.dimensionCategory = 12;
    const auto addDim = [&](OtlMbrInfo i, const char *text) { return adShrOtlAddDimension(o, &i, b, text, &out); };
    // Retags a dimension through its member information.
    const auto retag = [&](OtlItem *d, uint16_t tag) {
        OtlMbrInfo *i = nullptr;
        OtlStatus status = adShrOtlGetMemberInfo(o, d, &i);
        if (status == OTL_OK) {
            i->dimensionTag = tag;
            if (tag == OTL_TAG_ATTRIBUTE) { // as attribute dimensions need
                i->storageType = 1;
                i->dimensionCategory = 12;
                i->shareOption = 5;
            }
            status = adShrOtlSetMemberInfo(o, d, i, OTL_CHECK_NAMES);
        }
        adShrOtlFreeMbrInfo(host.ctx(), 1, i);
        return status;
    };
    const auto noCalculations = [&] { EXPECT_EQ(find("Attribute Calculations"), nullptr); };
    const struct {
        const char *name;
        std::function<OtlStatus()> operation;
        OtlStatus alsoReported = 0; // a status some failures are mapped to
        bool attributes = false;    // with an attribute dimension Hue{Warm{Red}}
        std::function<void()> then = {};
    } rows[] = {
        {"add a member with a comment", [&] { return tryAdd(commented, nullptr, q, OTL_CHECK_ALL, &out); }},
        {"add a dimension with a change text", [&] { return addDim(test::info("C"), "because"); }},
        // A failure while the calculations dimension is made is reported
        // as its own status.
        {"add the first attribute dimension, which brings the calculations",
         [&] { return addDim(colour, nullptr); }, OTL_ERR_ATTR_CALC_CREATE},
        {"delete a subtree with shared copies", [&] { return adShrOtlDeleteMember(o, p, OTL_CHECK_ALL); }},
        {"delete a dimension with a change text", [&] { return adShrOtlDeleteDimension(o, a, "b1"); }},
        {"rename the member the log added", [&] { return adShrOtlRenameMember(o, newcomer, "Arrival"); }},
        {"rename the member the log renamed", [&] { return adShrOtlRenameMember(o, other, "Other3"); }},
        {"rename a member with a shared copy", [&] { return adShrOtlRenameMember(o, q, "Quantity"); }},
        {"move across dimensions", [&] { return adShrOtlMoveMember(o, r, nullptr, b1); }},
        {"move up to dimension level", [&] { return adShrOtlMoveMember(o, r, nullptr, nullptr); }},
        {"move a dimension under another", [&] { return adShrOtlMoveMember(o, b, a, nullptr); }},
        {"move the only attribute dimension under a base member; the calculations go",
         [&] { return adShrOtlMoveMember(o, hue, p, nullptr); }, 0, true, noCalculations},
        {"move an attribute member up to dimension level",
         [&] { return adShrOtlMoveMember(o, warm, nullptr, hue); }, 0, true},
        {"retag the only attribute dimension; the calculations go", [&] { return retag(hue, 0); }, 0,
         true, noCalculations},
        {"rename a group whose members' names carry it", [&] { return adShrOtlRenameMember(o, warm, "Hot"); },
         0, true, [&] { EXPECT_NE(find("Hot_20"), nullptr); }},
        {"set specifications that rename every value member", [&] {
             OtlAttrSpecs *s = nullptr;
             OtlStatus status = adShrOtlGetAttributeSpecifications(o, &s);
             if (status == OTL_OK) {
                 s->nameFormat = OTL_NAME_FORMAT_ANCESTORS;
                 status = adShrOtlSetAttributeSpecifications(o, s);
             }
             adShrOtlFreeAttrSpecs(host.ctx(), s);
             return status;
         }, 0, true, [&] { EXPECT_NE(find("Hue_Warm_20"), nullptr); }},
        {"retag a base dimension as an attribute dimension; the calculations come",
         [&] { return retag(b, OTL_TAG_ATTRIBUTE); }, OTL_ERR_ATTR_CALC_CREATE},
        {"delete the only attribute dimension; the calculations go",
         [&] { return adShrOtlDeleteDimension(o, hue, nullptr); }, 0, true, noCalculations},
        {"associate an attribute dimension with a base dimension",
         [&] { return adShrOtlAssociateAttributeDimension(o, a, hue); }, 0, true},
        {"name a generation", [&] { return adShrOtlSetGenName(o, "A", 2, "Middle"); }},
        {"name a level", [&] { return adShrOtlSetLevelName(o, "B", 0, "Leaves"); }},
        {"tag a member", [&] { return adShrOtlSetUserAttribute(o, q, "Red"); }},
        {"enable a time series, B serving as the time dimension", [&] {
             const OtlStatus status = (b->dimensionTag = OTL_TAG_TIME, adShrOtlEnableDTSMember(o, "q-t-d", 2, 1));
             return b->dimensionTag = status ? OTL_TAG_NONE : OTL_TAG_TIME, status; }},
        {"create an alias table", [&] { return adShrOtlCreateAliasTable(o, "Long names"); }},
        {"copy the default alias table into a new one",
         [&] { return adShrOtlCopyAliasTable(o, nullptr, "Copy", OTL_ALIAS_COPY_REPLACE); }},
        {"set an alias", [&] { return adShrOtlSetMemberAlias(o, p, nullptr, "Parent", OTL_CHECK_ALL); }},
        // A member list that names nobody: the rule check copies each name
        // it looks up to trim it, and passes over a failure there.
        {"add an alias combination", [&] { return adShrOtlAddAliasCombination(o, p, nullptr, "Both", ","); }},
        {"sort the dimensions", [&] { return adShrOtlSortChildren(o, nullptr, OTL_SORT_DESCENDING, nullptr, nullptr); }},
        {"make the first match list", [&] { return adShrOtlSetMatchDim(o, "A"); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(adShrOtlCloseOutline(o), OTL_OK);
        o = newOutline();
        a = dim("A");
        a->storageType = 1; // sparse, as attribute dimensions need
        b = dim("B", a);
        p = add("p", a);
        q = add("q", p);
        r = add("r", p, q);
        other = add("other", a, p);
        add("q", other, nullptr, OTL_SHARE_SHARED);
        add("p", other, nullptr, OTL_SHARE_SHARED);
        b1 = add("b1", b);
        if (row.attributes) {
            OtlMbrInfo i = test::attrInfo("Hue", OTL_ATTR_NUMERIC);
            i.storageType = 1;
            i.dimensionCategory = 12;
            hue = dim(i, b);
            o->attrSpecs.nameFormat = OTL_NAME_FORMAT_PARENT;
            warm = add(test::attrInfo("Warm", OTL_ATTR_NONE), hue);
            add(test::attrInfo("20", OTL_ATTR_NUMERIC), warm, add(test::attrInfo("10", OTL_ATTR_NUMERIC), warm));
        }
        o->changeLogEnabled = 1;
        newcomer = add("newcomer", b);
        ASSERT_EQ(adShrOtlRenameMember(o, other, "Other2"), OTL_OK);
        o->verified = 1;
        // As after a save: a failed edit must not leave a mark either.
        for (OtlItem *d = o->root->firstChild; d; d = d->nextSibling)
            d->dimChanged = 0;
        const std::string before = dump();
        const size_t blocks = ownedBlocks();
        bool remapped = false;
        const uint64_t points = test::sweepAllocations(
            host,
            [&] {
                out = sentinelItem();
                const OtlStatus status = row.operation();
                const bool mapped = row.alsoReported && status == row.alsoReported && host.injected();
                remapped = remapped || mapped;
                return mapped ? test::kInjected : status;
            },
            [&](uint64_t n) {
                EXPECT_EQ(out, sentinelItem()) << "allocation " << n << ": out-parameter written";
                EXPECT_EQ(ownedBlocks(), blocks) << "allocation " << n << ": blocks kept";
                EXPECT_EQ(test::dumpDiff(before, dump()), "") << "allocation " << n;
            },
            1000);
        EXPECT_EQ(remapped, row.alsoReported != 0);
        EXPECT_GT(points, 0u) << "the edit allocates nothing: the row sweeps nothing";
        EXPECT_NE(dump(), before) << "the final run changed nothing";
        if (row.then)
            row.then();
        EXPECT_EQ(test::hashProblems(o), "");
    }
}
