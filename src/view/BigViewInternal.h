// Helpers shared by the TBigView source files.
#pragma once

namespace pelto::bigview {

// Sets a flag for the lifetime of a scope and restores the previous value, so
// nested batch steps do not resume painting early.
class SuspendPaint {
public:
    explicit SuspendPaint(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~SuspendPaint() { flag_ = old_; }
    SuspendPaint(const SuspendPaint&) = delete;
    SuspendPaint& operator=(const SuspendPaint&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace pelto::bigview
