#pragma once
// How the core reports a failure that carries a reason: a Status is either ok or holds
// the German message the merchant reads; a Result<T> holds a value or that failure.
// Database failures stay DbError exceptions; steps and writers whose contract is a bool
// keep it. The command line and the desktop program turn a failed Status into their
// exit code or message box in one place each.
#include <optional>
#include <string>
#include <utility>

namespace vendora {

class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message), true); }

  bool ok() const { return !failed_; }
  // The German message; empty when ok.
  const std::string& message() const { return message_; }

 private:
  Status(std::string message, bool failed) : message_(std::move(message)), failed_(failed) {}
  std::string message_;
  bool failed_ = false;
};

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: a value is a success
  Result(Status failure) : status_(std::move(failure)) {}  // NOLINT: only failures
  static Result Error(std::string message) { return Result(Status::Error(std::move(message))); }

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  const std::string& message() const { return status_.message(); }
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace vendora
