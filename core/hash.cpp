/*
 * The member-name hash table. This file owns the table's lifetime; the
 * bucket operations live beside it.
 */
#include "core/alloc.h"
#include "core/hash.h"

OtlStatus otlHashCreate(const OtlHostContext *host, OtlNameHash **hash)
{
    return otl::hostNew(host, hash);
}

void otlHashRelease(const OtlHostContext *host, OtlNameHash *hash)
{
    if (!hash)
        return;
    for (OtlHashBucket &bucket : hash->buckets)
        otl::hostRelease(host, &bucket.entries);
    otl::hostFree(host, hash);
}
