// The test host context. Blocks come from malloc, filled with 0xA5 so that
// code relying on uncleared memory shows; every block is tracked until it is
// released, so a leak or a stray release is seen.
#include "support/test_host.h"

#include <cstdlib>
#include <cstring>

namespace test {

namespace {

// The host the short-form callbacks serve.
thread_local TestHost *currentHost = nullptr;

TestHost *of(OtlHandle handle)
{
    return reinterpret_cast<TestHost *>(handle);
}

} // namespace

TestHost::TestHost(uint8_t allocMode, uint8_t reallocMode, uint8_t freeMode, uint32_t clientVersion)
    : previous_(currentHost)
{
    ctx_.allocMode = allocMode;
    ctx_.reallocMode = reallocMode;
    ctx_.freeMode = freeMode;
    ctx_.clientVersion = clientVersion;
    if (allocMode == OTL_CALL_HANDLE_FIRST)
        ctx_.allocate.handleForm = [](OtlHandle h, uint32_t zero, uint32_t size, void **block) {
            return of(h)->allocate(true, zero, size, block);
        };
    else
        ctx_.allocate.shortForm = [](uint32_t size, void **block) {
            return currentHost->allocate(false, 0, size, block);
        };
    if (reallocMode == OTL_CALL_HANDLE_FIRST)
        ctx_.reallocate.handleForm = [](OtlHandle h, uint32_t size, void *old, void **block) {
            return of(h)->reallocate(true, size, old, block);
        };
    else
        ctx_.reallocate.shortForm = [](uint32_t size, void **block) {
            return currentHost->reallocate(false, size, *block, block);
        };
    if (freeMode == OTL_CALL_HANDLE_FIRST)
        ctx_.freeMemory.handleForm = [](OtlHandle h, void *block) { return of(h)->release(true, block); };
    else
        ctx_.freeMemory.shortForm = [](void *block) { return currentHost->release(false, block); };
    ctx_.memoryHandle = reinterpret_cast<OtlHandle>(this);
    currentHost = this;
}

TestHost::~TestHost()
{
    for (auto &entry : blocks_)
        free(entry.first);
    currentHost = previous_;
}

size_t TestHost::blockSize(const void *block) const
{
    auto it = blocks_.find(const_cast<void *>(block));
    return it == blocks_.end() ? 0 : it->second;
}

void TestHost::failAt(uint64_t nth, OtlStatus status)
{
    failCountdown_ = nth;
    failStatus_ = status;
    injectedHit_ = false;
}

bool TestHost::shouldFail()
{
    if (failCountdown_ == 0 || --failCountdown_ != 0)
        return false;
    return injectedHit_ = true;
}

// A new tracked block of `size` bytes, the first `keep` copied from `old`.
OtlStatus TestHost::newBlock(uint32_t size, const void *old, uint32_t keep, void **block)
{
    void *p = malloc(size ? size : 1);
    if (!p)
        return 9999;
    memset(p, 0xA5, size);
    if (keep)
        memcpy(p, old, keep);
    blocks_[p] = size;
    *block = p;
    return OTL_OK;
}

OtlStatus TestHost::allocate(bool handleForm, uint32_t zero, uint32_t size, void **block)
{
    allocCalls_[handleForm]++;
    if (handleForm && zero != 0)
        errors_.push_back("allocate: second argument of the handle-first form is not 0");
    return shouldFail() ? failStatus_ : newBlock(size, nullptr, 0, block);
}

OtlStatus TestHost::reallocate(bool handleForm, uint32_t size, void *old, void **block)
{
    reallocCalls_[handleForm]++;
    auto it = blocks_.find(old);
    if (it == blocks_.end()) {
        errors_.push_back("reallocate of an unknown block");
        return 9998;
    }
    if (shouldFail())
        return failStatus_;
    // Always move, so that code keeping a stale pointer shows.
    const OtlStatus status = newBlock(size, old, it->second < size ? it->second : size, block);
    if (status == OTL_OK) {
        free(old);
        blocks_.erase(old);
    }
    return status;
}

OtlStatus TestHost::release(bool handleForm, void *block)
{
    freeCalls_[handleForm]++;
    if (!block || !blocks_.erase(block))
        errors_.push_back(block ? "release of an unknown block" : "release of a null block");
    else
        free(block);
    return OTL_OK;
}

} // namespace test
