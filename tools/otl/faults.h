// Fault bits in words: what each bit of the two fault words a verification
// leaves on a member means, and the outline-level word's bits.
#ifndef OTL_TOOL_FAULTS_H
#define OTL_TOOL_FAULTS_H

#include <cstdint>
#include <string>
#include <vector>

namespace otltool {

// One line per set bit: "0x2 duplicate member name" style texts, word 1's
// bits first (the marker bit of word 2 left out), then word 2's.
std::vector<std::string> describeFaults(uint32_t word1, uint32_t word2);
// The outline-level word's bits, one line each.
std::vector<std::string> describeOutlineFaults(uint32_t word);

} // namespace otltool

#endif
