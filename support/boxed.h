// A value most records lack, kept on the heap only when it is there: a
// pointer's room in the record rather than the whole value. Reading an
// absent one gives the value's defaults; writing to one makes it.
#pragma once

#include <memory>

namespace bb {

template <class T>
class Boxed {
  public:
    Boxed() = default;
    Boxed(const Boxed& other)
        : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& other) {
        if (this != &other) value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        return *this;
    }
    Boxed& operator=(Boxed&&) noexcept = default;
    ~Boxed() = default;

    bool Held() const noexcept { return value_ != nullptr; }
    // Back to the defaults, the room given back.
    void Clear() noexcept { value_.reset(); }

    const T& operator*() const noexcept { return value_ ? *value_ : Defaults(); }
    const T* operator->() const noexcept { return &**this; }
    operator const T&() const noexcept { return **this; }
    T& operator*() {
        if (!value_) value_ = std::make_unique<T>();
        return *value_;
    }
    T* operator->() { return &**this; }

  private:
    static const T& Defaults() {
        static const T defaults{};
        return defaults;
    }
    std::unique_ptr<T> value_;
};

}  // namespace bb
