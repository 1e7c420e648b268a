/*
 * The dimension-attribute server hook: the host installs one function and
 * the outline library calls it through otlGetSrvDimAttributes. The hook is
 * the layer's only global and is a std::atomic, so installing, removing and
 * calling may race without a lock.
 */
#include "qvlapin.h"

#include <atomic>

namespace {

std::atomic<QvlDimAttributesFn> server{nullptr};

} // namespace

extern "C" void qVLSetDimAttributesServer(QvlDimAttributesFn fn)
{
    server.store(fn, std::memory_order_release);
}

extern "C" uint32_t otlGetSrvDimAttributes(QvlEnv env, void *request, void *information,
                                           void *outArray)
{
    const QvlDimAttributesFn fn = server.load(std::memory_order_acquire);
    return fn ? fn(env, request, information, outArray) : QVL_ERR_NO_HOOK;
}
