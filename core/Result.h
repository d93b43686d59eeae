#pragma once
// A value or the reason there is none (std::expected is not in C++20).

#include <cassert>
#include <type_traits>
#include <utility>
#include <variant>

#include "core/Error.h"

namespace orvek {

/// The failure half of a Result, so that `return Unexpected(err);` converts to any Result.
template <class E>
struct Unexpected {
  E error;
  explicit Unexpected(E e) : error(std::move(e)) {}
};

template <class T, class E = Error>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_v(std::in_place_index<0>, std::move(value)) {}            // NOLINT: implicit
  Result(Unexpected<E> e) : m_v(std::in_place_index<1>, std::move(e.error)) {}  // NOLINT

  bool ok() const { return m_v.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(m_v);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(m_v);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(m_v));
  }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  const E& error() const& {
    assert(!ok());
    return std::get<1>(m_v);
  }
  E&& error() && {
    assert(!ok());
    return std::get<1>(std::move(m_v));
  }

 private:
  std::variant<T, E> m_v;
};

/// A Result without a value: ok, or the reason.
template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  Result(Unexpected<E> e) : m_failed(true), m_error(std::move(e.error)) {}  // NOLINT
  bool ok() const { return !m_failed; }
  explicit operator bool() const { return ok(); }
  const E& error() const {
    assert(m_failed);
    return m_error;
  }

 private:
  bool m_failed = false;
  E m_error{};
};

}  // namespace orvek
