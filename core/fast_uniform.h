// The uniform stream of uniform_next, drawn faster, for the step loops.
//
// A draw of uniform_next waits on two chains: the congruential step, and
// the shuffle (the slot of a draw comes from the value drawn before it).
// FastUniform takes the first chain off the critical path by computing the
// coming congruential states in blocks, each from one state by independent
// jump products; and it shortens the second to one load, because every
// shuffle-table entry carries a pointer to the entry that its value selects.
//
// It holds a running stream between fast_uniform_begin and
// fast_uniform_end, which hands back exactly the UniformRng that as many
// uniform_next calls would leave (states computed ahead and not drawn are
// dropped). It points into itself, so it is not copied.
#pragma once

#include <cstdint>

#include "random_streams.h"

constexpr int32_t kLookahead = 256;     // congruential states computed per block
constexpr int32_t kSlotShift = 26;      // a table value's slot is value >> 26 (values are never negative)

struct ShuffleSlot {
    ShuffleSlot* next;  // the slot this value selects: slots[value >> kSlotShift]
    int32_t value;      // the table entry
};

// The position in the stream; draw loops keep a copy in registers.
struct UniformCursor {
    ShuffleSlot* slot;     // the slot the next draw takes: slots[last >> kSlotShift]
    const int32_t* ahead;  // the next congruential state, in FastUniform::ahead
    int32_t last;          // the value drawn last
};

struct FastUniform {
    ShuffleSlot slots[kRngTableSize];  // the shuffle table
    int32_t ahead[kLookahead];         // the coming congruential states
    int32_t jump[kLookahead];          // 16807^(k + 1) mod (2^31 - 1)
    int32_t ahead_from;                // the state ahead[] follows
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

// Computes the next block of states after the last one of ahead[];
// returns ahead.
const int32_t* fast_uniform_refill(FastUniform& fast);

// Draws the next table value (the deviate is value * kRngScale), moving
// the cursor. Loops pass a local copy of fast.cursor and store it back.
inline int32_t fast_uniform_value(FastUniform& fast, UniformCursor& cursor) {
    if (cursor.ahead == fast.ahead + kLookahead) cursor.ahead = fast_uniform_refill(fast);
    ShuffleSlot* const slot = cursor.slot;
    const int32_t value = slot->value;
    cursor.slot = slot->next;
    const int32_t state = *cursor.ahead++;
    slot->value = state;
    slot->next = &fast.slots[static_cast<uint32_t>(state) >> kSlotShift];
    cursor.last = value;
    return value;
}

// The deviate of a table value, exactly as uniform_next forms it.
inline double uniform_deviate(int32_t value) { return static_cast<double>(value) * kRngScale; }

// The next deviate, exactly as uniform_next would return it.
inline double fast_uniform_next(FastUniform& fast) {
    return uniform_deviate(fast_uniform_value(fast, fast.cursor));
}
