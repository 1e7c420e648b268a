/*
 * Attribute specifications. The eight strings of a record are owned by it
 * and released together; a record without calcDimName still needs its
 * defaults installed.
 */
#include "attr/specs.h"
#include "core/alloc.h"

extern "C" OTL_API void adShrOtlFreeAttrSpecsMembers(const OtlHostContext *host,
                                                     OtlAttrSpecs *specs)
{
    if (!specs)
        return;
    char **strings[] = {&specs->trueName,  &specs->falseName,   &specs->calcDimName,
                        &specs->sumName,   &specs->countName,   &specs->averageName,
                        &specs->minName,   &specs->maxName};
    for (char **s : strings)
        otl::hostRelease(host, s);
}
