// The uniform stream of uniform_next, drawn faster, for the step loops.
//
// A draw of uniform_next waits on two chains: the congruential step, and
// the shuffle (the slot of a draw comes from the value drawn before it).
// FastUniform takes the first chain off the critical path: it keeps the
// next kAhead congruential states in a ring, and replaces each state it
// draws with the one kAhead steps later, a single product that nothing
// waits for (the sweep replaces four at a time, see fast_sweep.h). It
// shortens the second chain to one load: every shuffle-table entry carries
// a pointer to the entry its value selects.
//
// It holds a running stream between fast_uniform_begin and
// fast_uniform_end, which hands back exactly the UniformRng that as many
// uniform_next calls would leave. It points into itself, so it is not
// copied.
#pragma once

#include <cstdint>

#include "congruential_jumps.h"
#include "random_streams.h"

namespace core {

constexpr uint32_t kAhead = 64;     // congruential states kept ahead: a power of two, a multiple of 4
constexpr int32_t kSlotShift = 26;  // a table value's slot is value >> 26 (values are never negative)

struct ShuffleSlot {
    ShuffleSlot* next;  // the slot this value selects: slots[value >> kSlotShift]
    int32_t value;      // the table entry
};

// The position in the stream; draw loops keep a copy in registers.
struct UniformCursor {
    ShuffleSlot* slot;  // the slot the next draw takes: slots[last >> kSlotShift]
    uint32_t ahead;     // index in FastUniform::ahead of the next draw's state
    int32_t last;       // the value drawn last
};

struct FastUniform {
    ShuffleSlot slots[kRngTableSize];  // the shuffle table
    // From ahead[cursor.ahead] on, wrapping: the states of the coming draws.
    // Entries already drawn hold the state kAhead steps later, once replaced.
    int32_t ahead[kAhead];
    int32_t jump;  // 16807^kAhead mod (2^31 - 1)
    UniformCursor cursor;

    FastUniform() = default;
    FastUniform(const FastUniform&) = delete;
    FastUniform& operator=(const FastUniform&) = delete;
};

// Whether the stream, once uniform_start has run, is a running stream that
// FastUniform can take: false only for the seeds +-(2^31 - 1), whose
// warm-up collapses to state 0, and for states no seed leads to.
bool fast_uniform_can_take(const UniformRng& rng);

// Warms the stream up if needed and takes it over. Requires
// fast_uniform_can_take(rng).
void fast_uniform_begin(FastUniform& fast, UniformRng& rng);

// Hands the stream back: state, last and table as uniform_next leaves them.
void fast_uniform_end(const FastUniform& fast, UniformRng& rng);

// Draws the next table value (its deviate is value * kRngScale) and moves
// the cursor, leaving the state it used to be replaced.
inline int32_t fast_uniform_take(FastUniform& fast, UniformCursor& cursor) {
    const int32_t state = fast.ahead[cursor.ahead];
    cursor.ahead = (cursor.ahead + 1) & (kAhead - 1);
    ShuffleSlot* const slot = cursor.slot;
    const int32_t value = slot->value;
    cursor.slot = slot->next;
    slot->value = state;
    slot->next = &fast.slots[static_cast<uint32_t>(state) >> kSlotShift];
    cursor.last = value;
    return value;
}

// Draws the next table value and replaces the state it used.
inline int32_t fast_uniform_value(FastUniform& fast, UniformCursor& cursor) {
    const uint32_t position = cursor.ahead;
    const int32_t value = fast_uniform_take(fast, cursor);
    fast.ahead[position] = modular_product(fast.jump, fast.ahead[position]);
    return value;
}

// Replaces the drawn states from ahead[replaced] up to the cursor: single
// ones until `replaced` is a multiple of four, then fours while at least
// four are due (the rest, fewer than four, wait); with all_due, the rest too.
inline void replace_drawn(FastUniform& fast, uint32_t& replaced, uint32_t next, bool all_due) {
    const auto due = [&] { return (next - replaced) & (kAhead - 1); };
    while ((replaced & 3) != 0 && due() > 0) {
        fast.ahead[replaced] = modular_product(fast.jump, fast.ahead[replaced]);
        replaced = (replaced + 1) & (kAhead - 1);
    }
    while (due() >= 4) {
        jump_four_states(&fast.ahead[replaced], fast.jump);
        replaced = (replaced + 4) & (kAhead - 1);
    }
    while (all_due && due() > 0) {
        fast.ahead[replaced] = modular_product(fast.jump, fast.ahead[replaced]);
        replaced = (replaced + 1) & (kAhead - 1);
    }
}

// The deviate of a table value, exactly as uniform_next forms it.
inline double uniform_deviate(int32_t value) { return static_cast<double>(value) * kRngScale; }

// The next deviate, exactly as uniform_next would return it.
inline double fast_uniform_next(FastUniform& fast) {
    return uniform_deviate(fast_uniform_value(fast, fast.cursor));
}

}  // namespace core
