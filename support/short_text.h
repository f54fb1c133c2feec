// A text of a few characters (a symbol, a position's text, a locator, a
// frequency) kept inside the record that holds it, in 16 bytes where a
// std::string takes 32: the board holds tens of thousands of records. A
// longer text is kept whole, on the heap.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace bb {

class ShortText {
  public:
    static constexpr std::size_t kInline = 15;

    ShortText() noexcept { raw_[kTag] = 0; }
    ShortText(std::string_view s) { Assign(s); }
    ShortText(const std::string& s) : ShortText(std::string_view(s)) {}
    ShortText(const char* s) : ShortText(std::string_view(s)) {}
    ShortText(const ShortText& other) : ShortText(other.view()) {}
    ShortText(ShortText&& other) noexcept {
        std::memcpy(raw_, other.raw_, sizeof raw_);
        other.raw_[kTag] = 0;
    }
    ShortText& operator=(const ShortText& other) {
        if (this != &other) *this = ShortText(other);
        return *this;
    }
    ShortText& operator=(ShortText&& other) noexcept {
        if (this != &other) {
            Release();
            std::memcpy(raw_, other.raw_, sizeof raw_);
            other.raw_[kTag] = 0;
        }
        return *this;
    }
    ShortText& operator=(std::string_view s) { return *this = ShortText(s); }
    ShortText& operator=(const std::string& s) { return *this = ShortText(s); }
    ShortText& operator=(const char* s) { return *this = ShortText(s); }
    ~ShortText() { Release(); }

    std::string_view view() const noexcept {
        return OnHeap() ? std::string_view(HeapData(), HeapSize())
                        : std::string_view(raw_, static_cast<unsigned char>(raw_[kTag]));
    }
    operator std::string_view() const noexcept { return view(); }
    operator std::string() const { return std::string(view()); }
    std::string str() const { return std::string(view()); }
    const char* data() const noexcept { return view().data(); }
    std::size_t size() const noexcept { return view().size(); }
    bool empty() const noexcept { return size() == 0; }
    char back() const { return view().back(); }
    std::string substr(std::size_t pos, std::size_t n = std::string::npos) const {
        return std::string(view().substr(pos, n));
    }
    std::size_t find(char c, std::size_t pos = 0) const noexcept { return view().find(c, pos); }

    friend bool operator==(const ShortText& a, const ShortText& b) noexcept {
        return a.view() == b.view();
    }
    friend bool operator==(const ShortText& a, std::string_view b) noexcept {
        return a.view() == b;
    }
    friend bool operator==(const ShortText& a, const std::string& b) noexcept {
        return a.view() == b;
    }
    friend bool operator==(const ShortText& a, const char* b) noexcept {
        return a.view() == std::string_view(b);
    }
    friend std::string operator+(const std::string& a, const ShortText& b) {
        return a + std::string(b.view());
    }
    friend std::string operator+(const char* a, const ShortText& b) {
        return a + std::string(b.view());
    }
    friend std::string operator+(const ShortText& a, const std::string& b) {
        return std::string(a.view()) + b;
    }
    friend std::string operator+(const ShortText& a, const char* b) {
        return std::string(a.view()) + b;
    }
    friend std::ostream& operator<<(std::ostream& out, const ShortText& t) {
        return out << t.view();
    }

  private:
    static constexpr std::size_t kTag = 15;    // the length, or kHeap
    static constexpr char kHeap = char(0xFF);  // the text is on the heap
    static constexpr std::size_t kSizeAt = 8;  // on the heap: pointer, then length

    bool OnHeap() const noexcept { return raw_[kTag] == kHeap; }
    const char* HeapData() const noexcept {
        const char* p;
        std::memcpy(&p, raw_, sizeof p);
        return p;
    }
    std::size_t HeapSize() const noexcept {
        std::uint32_t n;
        std::memcpy(&n, raw_ + kSizeAt, sizeof n);
        return n;
    }
    void Assign(std::string_view s) {
        if (s.size() <= kInline) {
            if (!s.empty()) std::memcpy(raw_, s.data(), s.size());
            raw_[kTag] = static_cast<char>(s.size());
            return;
        }
        if (s.size() > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("text too long");
        const auto n = static_cast<std::uint32_t>(s.size());
        char* p = new char[n];
        std::memcpy(p, s.data(), n);
        std::memcpy(raw_, &p, sizeof p);
        std::memcpy(raw_ + kSizeAt, &n, sizeof n);
        raw_[kTag] = kHeap;
    }
    void Release() noexcept {
        if (OnHeap()) delete[] HeapData();
        raw_[kTag] = 0;
    }

    alignas(8) char raw_[16];
};

static_assert(sizeof(ShortText) == 16);

}  // namespace bb
