// The failure-injection sweep: reruns an operation with the failure moved to
// allocation 1, 2, ... until it succeeds, checking after each failed run that
// the injected status came back unchanged and that the caller's invariants
// hold (out-parameters cleared, nothing leaked, outline as before).
#ifndef SHROTL_TEST_SWEEP_H
#define SHROTL_TEST_SWEEP_H

#include "support/test_host.h"

#include <gtest/gtest.h>

namespace test {

// attempt() -> OtlStatus runs the operation once; afterFailure() checks the
// state after a failed run and undoes nothing (the library must have).
// Returns the number of allocation points the operation has.
template <class Attempt, class AfterFailure>
uint64_t sweepAllocations(TestHost &host, Attempt attempt, AfterFailure afterFailure,
                          uint64_t limit = 1000000)
{
    for (uint64_t n = 1; n <= limit; ++n) {
        host.failAt(n);
        const OtlStatus status = attempt();
        const bool hit = host.injected();
        host.disarm();
        if (!hit) {
            EXPECT_EQ(status, OTL_OK) << "operation failed without an injected failure";
            return n - 1;
        }
        EXPECT_EQ(status, kInjected) << "allocation " << n << ": status not passed through";
        if (status == OTL_OK)
            return n; // the operation swallowed a failure; reported above
        afterFailure(n);
        if (::testing::Test::HasFatalFailure())
            return n;
    }
    ADD_FAILURE() << "sweep did not finish";
    return limit;
}

} // namespace test

#endif
