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

} // namespace test

#endif
