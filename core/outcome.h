#pragma once

#include <QString>

#include <utility>

namespace quillon {

// Whether an operation succeeded and, when it did not, why, in words a user can read (the
// system's own reason where there is one). Lower layers return it; the window that asked
// decides what to show.
class [[nodiscard]] Outcome {
public:
    static Outcome success() { return Outcome(); }
    static Outcome failure(QString reason) { return Outcome(std::move(reason)); }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const QString& reason() const { return reason_; }

private:
    Outcome() = default;
    explicit Outcome(QString reason) : ok_(false), reason_(std::move(reason)) {}

    bool ok_ = true;
    QString reason_;
};

}  // namespace quillon
