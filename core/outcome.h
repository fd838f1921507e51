#pragma once

#include <QString>

#include <optional>
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

// A value, or why there is none, in the words of an Outcome's reason.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    static Result failure(QString reason) { return Result(std::nullopt, std::move(reason)); }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const QString& reason() const { return reason_; }
    Outcome outcome() const { return ok() ? Outcome::success() : Outcome::failure(reason_); }

    // Only on success.
    T& value() { return *value_; }
    const T& value() const { return *value_; }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }

private:
    Result(std::nullopt_t, QString reason) : reason_(std::move(reason)) {}

    std::optional<T> value_;
    QString reason_;
};

}  // namespace quillon
