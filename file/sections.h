/*
 * The sections around the members: statistics, attribute specifications,
 * change log, time series and the two comment sections, each read into a
 * new outline and written from one. Each writer encodes its section's body
 * (the caller opens and closes the section); each reader consumes a body.
 */
#ifndef SHROTL_FILE_SECTIONS_H
#define SHROTL_FILE_SECTIONS_H

#include "file/reader.h"
#include "file/writer.h"

namespace otl {

// The statistics block as the outline holds it: the counters, zeroed
// alias-table counters and the dimStats entries of stats.dimCount.
OtlStatus writeStatistics(Writer &writer);
OtlStatus readStatistics(Reader &reader, SectionInput &in);

OtlStatus writeAttrSpecs(Writer &writer);
OtlStatus readAttrSpecs(Reader &reader, SectionInput &in);

OtlStatus writeChangeLog(Writer &writer);
OtlStatus readChangeLog(Reader &reader, SectionInput &in);

OtlStatus writeTimeSeries(Writer &writer);
OtlStatus readTimeSeries(Reader &reader, SectionInput &in, uint16_t version);

// The comments (extended: the extended comments) of `count` items.
OtlStatus writeComments(Writer &writer, bool extended, uint32_t count);
OtlStatus readComments(Reader &reader, SectionInput &in, bool extended);

} // namespace otl

#endif
