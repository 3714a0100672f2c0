// An HDF5 identifier that is released exactly once, by its own closer.
#pragma once

#include <hdf5.h>

namespace sweep {

// An HDF5 identifier, released exactly once.
class Handle {
public:
    using Closer = herr_t (*)(hid_t);
    Handle(hid_t id, Closer closer) : id_(id), closer_(closer) {}
    Handle(Handle&& other) noexcept : id_(other.id_), closer_(other.closer_) { other.id_ = -1; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(Handle&&) = delete;
    ~Handle() {
        if (id_ >= 0) closer_(id_);
    }
    hid_t get() const { return id_; }
    // False when HDF5 could not finish what the identifier held; it is
    // given up either way.
    bool close() {
        const hid_t id = id_;
        id_ = -1;
        return id < 0 || closer_(id) >= 0;
    }

private:
    hid_t id_;
    Closer closer_;
};

}  // namespace sweep
