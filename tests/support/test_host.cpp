// The test host context. Blocks come from malloc, filled with 0xA5 so that
// code relying on uncleared memory shows; every block is tracked until it is
// released, so a leak or a stray release is seen.
#include "support/test_host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace test {

namespace {

thread_local TestHost *currentHost = nullptr;

TestHost *fromHandle(OtlHandle handle)
{
    return reinterpret_cast<TestHost *>(handle);
}

OtlStatus allocShort(uint32_t size, void **block)
{
    return TestHost::current()->allocate(false, 0, size, block);
}
OtlStatus allocHandle(OtlHandle h, uint32_t zero, uint32_t size, void **block)
{
    return fromHandle(h)->allocate(true, zero, size, block);
}
OtlStatus reallocShort(uint32_t size, void **block)
{
    return TestHost::current()->reallocate(false, size, *block, block);
}
OtlStatus reallocHandle(OtlHandle h, uint32_t size, void *old, void **block)
{
    return fromHandle(h)->reallocate(true, size, old, block);
}
OtlStatus freeShort(void *block)
{
    return TestHost::current()->release(false, block);
}
OtlStatus freeHandle(OtlHandle h, void *block)
{
    return fromHandle(h)->release(true, block);
}

} // namespace

TestHost::TestHost(uint8_t allocMode, uint8_t reallocMode, uint8_t freeMode,
                   uint32_t clientVersion)
{
    ctx_.allocMode = allocMode;
    ctx_.reallocMode = reallocMode;
    ctx_.freeMode = freeMode;
    ctx_.clientVersion = clientVersion;
    if (allocMode == OTL_CALL_HANDLE_FIRST)
        ctx_.allocate.handleForm = allocHandle;
    else
        ctx_.allocate.shortForm = allocShort;
    if (reallocMode == OTL_CALL_HANDLE_FIRST)
        ctx_.reallocate.handleForm = reallocHandle;
    else
        ctx_.reallocate.shortForm = reallocShort;
    if (freeMode == OTL_CALL_HANDLE_FIRST)
        ctx_.freeMemory.handleForm = freeHandle;
    else
        ctx_.freeMemory.shortForm = freeShort;
    ctx_.memoryHandle = reinterpret_cast<OtlHandle>(this);
    ctx_.localeHandle = 0;
    previous_ = currentHost;
    currentHost = this;
}

TestHost::~TestHost()
{
    for (auto &entry : blocks_)
        free(entry.first);
    currentHost = previous_;
}

TestHost *TestHost::current()
{
    return currentHost;
}

uint64_t TestHost::liveBytes() const
{
    uint64_t total = 0;
    for (auto &entry : blocks_)
        total += entry.second;
    return total;
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
    if (failCountdown_ == 0)
        return false;
    if (--failCountdown_ != 0)
        return false;
    injectedHit_ = true;
    return true;
}

OtlStatus TestHost::allocate(bool handleForm, uint32_t zero, uint32_t size, void **block)
{
    allocCalls_[handleForm]++;
    if (handleForm && zero != 0)
        errors_.push_back("allocate: second argument of the handle-first form is not 0");
    if (shouldFail())
        return failStatus_;
    void *p = malloc(size ? size : 1);
    if (!p)
        return 9999;
    memset(p, 0xA5, size);
    blocks_[p] = size;
    *block = p;
    return OTL_OK;
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
    void *p = malloc(size ? size : 1);
    if (!p)
        return 9999;
    memset(p, 0xA5, size);
    memcpy(p, old, it->second < size ? it->second : size);
    free(old);
    blocks_.erase(it);
    blocks_[p] = size;
    *block = p;
    return OTL_OK;
}

OtlStatus TestHost::release(bool handleForm, void *block)
{
    freeCalls_[handleForm]++;
    if (!block) {
        errors_.push_back("release of a null block");
        return OTL_OK;
    }
    auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        errors_.push_back("release of an unknown block");
        return OTL_OK;
    }
    free(block);
    blocks_.erase(it);
    return OTL_OK;
}

} // namespace test
