/*
 * Internal hooks of the character-set layer, for its own tests only. Nothing
 * here is exported from the shared library; tests reach it by linking the
 * static archive shrotl_charset_static.
 */
#ifndef SHROTL_CHARSET_INTERNAL_H
#define SHROTL_CHARSET_INTERNAL_H

#include "gcharset.h"

#ifdef __cplusplus
extern "C" {
#endif

/* GCStrcmp without the ASCII fast path: every text goes through decoding
 * and (for GC_CMP_NOCASE) full case folding from its first byte. */
__attribute__((visibility("hidden"))) int32_t gcStrcmpFullForTest(
    GCLocale locale, const char *text1, int32_t length1, const char *text2, int32_t length2,
    uint32_t flags);

#ifdef __cplusplus
}
#endif

#endif
