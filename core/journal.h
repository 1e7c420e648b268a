/*
 * The journal of one editing operation: how every operation that changes
 * the outline keeps its promise that a failure changes nothing.
 *
 * An operation reads top to bottom:
 *   1. refusals  - checks that change nothing;
 *   2. prepares  - every allocation (items, texts, change records, room in
 *                  hash buckets and tables); nothing visible changes yet;
 *   3. applies   - the changes themselves, which cannot fail.
 * Some steps can only run after the outline has changed and may still fail:
 * the rule check of a linked member, the attribute bookkeeping, the renames
 * of a subtree. Whatever such a step changes goes into the journal: a
 * field's old bytes (`keep`, `set`) or a step object with `undo` and
 * `commit`.
 * When the operation fails, the journal undoes the entries newest first;
 * an undo allocates nothing. When it succeeds, `commit` runs the steps'
 * commits oldest first, which release the values they replaced. A journal
 * that is neither committed nor rolled back rolls back when it goes out of
 * scope, so a failure path is a plain `return status`.
 *
 * The change log has one way in: its record is built as a prepare and
 * appended last, once nothing can fail any more.
 */
#ifndef SHROTL_CORE_JOURNAL_H
#define SHROTL_CORE_JOURNAL_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace otl {

class Journal {
public:
    Journal() = default;
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;
    ~Journal() { rollback(); }

    // Enters a step: a small copyable object with `undo()`, which takes back
    // what it did without allocating, and `commit()`, which releases what
    // it replaced. The journal keeps the copy, so a step may be entered by a
    // function that returns long before the operation ends; the pointer
    // returned lets the caller update it.
    template <class Step>
    Step *step(const Step &s)
    {
        static_assert(sizeof(Step) <= kStateBytes && alignof(Step) <= alignof(uint64_t),
                      "a step fits an entry");
        static_assert(__is_trivially_copyable(Step), "a step is plain data");
        Entry &e = push();
        memcpy(e.state, static_cast<const void *>(&s), sizeof(Step)); // plain data: a copy is an object
        Step *stored = reinterpret_cast<Step *>(e.state);
        e.undo = [](void *o) { static_cast<Step *>(o)->undo(); };
        e.commit = [](void *o) { static_cast<Step *>(o)->commit(); };
        return stored;
    }

    // Remembers the bytes of a field (which may lie in a packed record), so
    // that a rollback writes them back.
    template <class T>
    void keep(T *field)
    {
        static_assert(sizeof(T) <= sizeof(Kept::saved), "a kept field holds at most 24 bytes");
        Kept k{field, sizeof(T), {}};
        memcpy(k.saved, static_cast<const void *>(field), sizeof(T));
        step(k);
    }

    // A field's old bytes kept, then its new value stored.
    template <class T, class V>
    void set(T *field, V value)
    {
        keep(field);
        const T stored = static_cast<T>(value);
        memcpy(static_cast<void *>(field), &stored, sizeof stored);
    }

    // The operation stands: the steps release what they replaced.
    void commit()
    {
        for (size_t i = 0; i < count_; ++i)
            entries_[i].commit(entries_[i].state);
        count_ = 0;
    }

    // The operation failed: every entry is taken back, newest first.
    void rollback()
    {
        while (count_ > 0) {
            Entry &e = entries_[--count_];
            e.undo(e.state);
        }
    }

private:
    static constexpr size_t kStateBytes = 40;
    // The most entries one operation makes, with room to spare. The most
    // today, 96, are made by an edit that creates the attribute
    // calculations dimension: its own entries and about 14 for each of the
    // six inner adds. A step that touches many items is one entry, so the
    // count never grows with the outline. (256 entries are 14 KB of stack.)
    static constexpr size_t kCapacity = 256;

    struct Kept {
        void *field;
        size_t size;
        uint8_t saved[24]; // an item's attribute link area
        void undo() { memcpy(field, saved, size); }
        void commit() {}
    };

    struct Entry {
        void (*undo)(void *);
        void (*commit)(void *);
        alignas(uint64_t) unsigned char state[kStateBytes];
    };

    Entry &push()
    {
        // Overflow is a programming error: the entry count of every
        // operation is bounded by its code, well below the capacity.
        if (count_ == kCapacity)
            __builtin_trap();
        return entries_[count_++];
    }

    Entry entries_[kCapacity];
    size_t count_ = 0;
};

} // namespace otl

#endif
