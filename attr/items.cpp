/*
 * Attribute bookkeeping carried by items. The link area is one variant
 * record: dimension items of tag OTL_TAG_ATTRIBUTE use the attribute-dimension form, their
 * members the attribute-member form, other dimensions the base-dimension
 * form and other members the base-member form.
 */
#include "attr/items.h"
#include "core/alloc.h"

AttrLinkKind otlAttrLinkKind(const OtlItem *item)
{
    if (item->generation == 0)
        return AttrLinkKind::None;
    const bool dimension = item->generation == 1;
    if (item->dimensionTag == OTL_TAG_ATTRIBUTE)
        return dimension ? AttrLinkKind::AttrDim : AttrLinkKind::AttrMember;
    if (item->dimensionTag == OTL_TAG_ATTR_CALC)
        return AttrLinkKind::None;
    return dimension ? AttrLinkKind::BaseDim : AttrLinkKind::BaseMember;
}

void otlAttrReleaseLinks(const OtlHostContext *host, OtlItem *item, AttrLinkKind kind)
{
    otlAttrReleaseLinkArea(host, &item->attrLink, kind);
}

void otlAttrReleaseLinkArea(const OtlHostContext *host, OtlAttrLinkVariant *area, AttrLinkKind kind)
{
    OtlAttrLinkVariant &link = *area;
    switch (kind) {
    case AttrLinkKind::BaseDim:
        otl::hostRelease(host, &link.baseDim.attrLinks);
        otl::hostRelease(host, &link.baseDim.attrLinkLevels);
        break;
    case AttrLinkKind::BaseMember:
        otl::hostRelease(host, &link.baseMember.attrMemberLinks);
        break;
    case AttrLinkKind::AttrMember:
        otl::hostRelease(host, &link.attrMember.attrShortName);
        break;
    case AttrLinkKind::AttrDim:
    case AttrLinkKind::None:
        break;
    }
    memset(&link, 0, sizeof link);
}

void otlAttrFreeItem(const OtlHostContext *host, OtlItem *item)
{
    otl::hostRelease(host, &item->associationMatrix);
    otlAttrReleaseLinks(host, item, otlAttrLinkKind(item));
}
