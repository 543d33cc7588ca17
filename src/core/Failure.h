#pragma once
// A failure as the operator is to be told it, carried as data from the layer that met it up to
// the one place that shows it: a window's prompter, or the CLI's "TITLE: MESSAGE". Libraries
// below the windows return these and never talk to the operator themselves.

#include <optional>
#include <string>
#include <utility>

namespace viscora {

struct Failure {
    std::string text;   // exactly as shown
    std::string title;  // empty: the program's default title
    std::string detail; // a further line, the system's reason; may be empty
    bool operator==(const Failure &) const = default;
};

// Done, or the failure that says why not.
class [[nodiscard]] Outcome {
public:
    Outcome() = default;
    Outcome(Failure f) : failure_(std::move(f)) {}
    static Outcome done() { return {}; }

    bool ok() const { return !failure_; }
    explicit operator bool() const { return ok(); }
    const Failure &failure() const { return *failure_; }

private:
    std::optional<Failure> failure_;
};

// A value, or the failure that says why there is none.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    Result(Failure f) : failure_(std::move(f)) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *value_; }
    T &value() { return *value_; }
    const T &operator*() const { return *value_; }
    T &operator*() { return *value_; }
    const T *operator->() const { return &*value_; }
    T *operator->() { return &*value_; }
    const Failure &failure() const { return *failure_; }
    // The outcome alone, the value dropped.
    Outcome outcome() const { return ok() ? Outcome() : Outcome(*failure_); }

private:
    std::optional<T> value_;
    std::optional<Failure> failure_;
};

} // namespace viscora
