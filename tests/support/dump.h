// A canonical text dump of an outline, owned by the tests: settings, alias
// tables, the tree with every item field, the hash buckets in order, the
// counters, the change log and the time series records. Two outlines with
// equal dumps are the same to every observer.
#ifndef SHROTL_TEST_DUMP_H
#define SHROTL_TEST_DUMP_H

#include "shrotl.h"

#include <string>

namespace test {

std::string dumpOutline(const OtlOutline *outline);
std::string dumpItem(const OtlItem *item);
// What an outline file keeps of an outline: the dump without what lives in
// memory only (the item pool, cells, marks, verification faults,
// field-access state, the matrices), with attribute links by what they
// name; an outline saved and opened again dumps alike.
std::string dumpContent(const OtlOutline *outline);

// Hash entries that name an item outside the tree, one line each; "" when
// every entry points at a live item.
std::string hashProblems(const OtlOutline *outline);

// A dump with the dimChanged marks left out: a refused move may keep the
// marks it set.
std::string withoutMarks(std::string dump);

// The first line in which two dumps differ, both versions, or "" when they
// are equal; keeps failure messages readable.
std::string dumpDiff(const std::string &before, const std::string &after);

} // namespace test

#endif
