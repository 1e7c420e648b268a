// A host context for tests: counts callback calls in both calling modes,
// fails the Nth allocation or reallocation with a chosen status, catches the
// release of a null or unknown block, and reports leaks.
#ifndef SHROTL_TEST_HOST_H
#define SHROTL_TEST_HOST_H

#include "shrotl.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace test {

// The status the sweep injects; chosen to be no code of the library.
constexpr OtlStatus kInjected = 4242;

class TestHost {
public:
    // mode 1: every callback in the handle-first form; any other value: the
    // short form. The three modes may also differ.
    explicit TestHost(uint8_t allocMode = 0, uint8_t reallocMode = 0, uint8_t freeMode = 0,
                      uint32_t clientVersion = 0x50700);
    ~TestHost();
    TestHost(const TestHost &) = delete;
    TestHost &operator=(const TestHost &) = delete;

    const OtlHostContext *ctx() const { return &ctx_; }
    OtlHostContext *mutableCtx() { return &ctx_; }

    // Fails the nth allocation or reallocation from now (1-based) with
    // `status`; 0 disarms.
    void failAt(uint64_t nth, OtlStatus status = kInjected);
    void disarm() { failAt(0); }
    bool injected() const { return injectedHit_; }

    uint64_t allocCalls(bool handleForm) const { return allocCalls_[handleForm]; }
    uint64_t reallocCalls(bool handleForm) const { return reallocCalls_[handleForm]; }
    uint64_t freeCalls(bool handleForm) const { return freeCalls_[handleForm]; }
    uint64_t allocations() const { return allocCalls_[0] + allocCalls_[1] + reallocCalls_[0] + reallocCalls_[1]; }
    size_t liveBlocks() const { return blocks_.size(); }
    bool owns(const void *block) const { return blocks_.count(const_cast<void *>(block)) != 0; }
    size_t blockSize(const void *block) const;
    // Releases of null or unknown blocks, and other misuse.
    const std::vector<std::string> &errors() const { return errors_; }

private:
    // Called by the C callbacks.
    OtlStatus allocate(bool handleForm, uint32_t zero, uint32_t size, void **block);
    OtlStatus reallocate(bool handleForm, uint32_t size, void *old, void **block);
    OtlStatus release(bool handleForm, void *block);
    OtlStatus newBlock(uint32_t size, const void *old, uint32_t keep, void **block);
    bool shouldFail();

    OtlHostContext ctx_{};
    std::unordered_map<void *, uint32_t> blocks_;
    std::vector<std::string> errors_;
    uint64_t allocCalls_[2] = {}, reallocCalls_[2] = {}, freeCalls_[2] = {};
    uint64_t failCountdown_ = 0;
    OtlStatus failStatus_ = kInjected;
    bool injectedHit_ = false;
    TestHost *previous_;
};

} // namespace test

#endif
