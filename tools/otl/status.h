// Status codes in words: one table that gives every code of shrotl.h a short
// English meaning, and the failure type the tool throws when a library call
// does not return success. Commands catch nothing; main reports the failure.
#ifndef OTL_TOOL_STATUS_H
#define OTL_TOOL_STATUS_H

#include "shrotl.h"

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace otltool {

struct StatusText {
    OtlStatus code;
    const char *meaning;
};

// Every code the library or the tool's host can return, in ascending order.
std::span<const StatusText> statusTable();

// The meaning of a code, or nullptr when the code is not in the table.
const char *statusMeaning(OtlStatus code);

// "1060051 member name already used by a member or an alias"; an unknown
// code reads "<code> unknown status".
std::string describeStatus(OtlStatus code);

// A library call that failed, with what the tool was doing at the time.
class CallFailed : public std::runtime_error {
public:
    CallFailed(OtlStatus status, const std::string &doing);
    OtlStatus status() const { return status_; }

private:
    OtlStatus status_;
};

// Throws CallFailed unless status is OTL_OK.
void check(OtlStatus status, std::string_view doing);

} // namespace otltool

#endif
