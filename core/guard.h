/*
 * Scope guard: runs an undo step when a scope is left, unless dismissed.
 * Failure paths stay short and the happy path reads top to bottom.
 */
#ifndef SHROTL_CORE_GUARD_H
#define SHROTL_CORE_GUARD_H

namespace otl {

template <class F>
class ScopeGuard {
public:
    explicit ScopeGuard(F undo) : undo_(undo) {}
    ScopeGuard(const ScopeGuard &) = delete;
    ScopeGuard &operator=(const ScopeGuard &) = delete;
    ~ScopeGuard()
    {
        if (armed_)
            undo_();
    }
    void dismiss() { armed_ = false; }

private:
    F undo_;
    bool armed_ = true;
};

// auto undo = otl::onExit([&] { ...; }); ... undo.dismiss();
template <class F>
ScopeGuard<F> onExit(F undo)
{
    return ScopeGuard<F>(undo);
}

} // namespace otl

#endif
