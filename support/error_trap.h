// Run-time errors with the classic numbers, and the one error trap every
// procedure runs its body through.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace bb {

// The classic run-time error numbers the program raises itself.
namespace err {
inline constexpr int kInvalidCall = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscript = 9;
inline constexpr int kDivisionByZero = 11;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kObjectNotSet = 91;
inline constexpr int kCantCreateObject = 429;
inline constexpr int kAutomationError = 440;
// A program on the other end (the host) that has gone or stopped answering.
inline constexpr int kRemoteServerUnavailable = 462;
inline constexpr int kInvalidPicture = 481;
inline constexpr int kDdeNoResponse = 282;
inline constexpr int kDdeRefused = 285;
inline constexpr int kDdeTimeout = 286;
}  // namespace err

// A run-time error. The number is kept as raised (it may be a 32-bit component
// error); the trap folds it to 16 bits before it is logged.
class RuntimeError : public std::exception {
  public:
    explicit RuntimeError(std::int32_t number, std::string detail = {})
        : number_(number), detail_(std::move(detail)) {}
    std::int32_t number() const noexcept { return number_; }
    // What raised it; for debugging only, never logged (the log shows the
    // standard text that belongs to the number).
    const std::string& detail() const noexcept { return detail_; }
    const char* what() const noexcept override { return detail_.c_str(); }

  private:
    std::int32_t number_;
    std::string detail_;
};

[[noreturn]] void Raise(std::int32_t number, std::string detail = {});

// The standard message text for an error number; a fixed fallback for numbers
// without one.
std::string_view ErrorText(std::int32_t number);

// Folds any error number into the 16-bit signed range by keeping its low 16
// bits; never fails.
std::int16_t FoldErrorNumber(std::int64_t number) noexcept;

// The error number of an exception caught by a trap: run-time errors carry
// their own, the standard library's map to the nearest classic one.
std::int32_t ErrorNumberOf(const std::exception& e) noexcept;

// Reports a trapped error; defined by the diagnostic log. An error inside it
// passes to the procedure that called it.
void LogError(std::int16_t number, std::string_view procedure);

// Runs `body`; on a run-time error ends it at once and hands the folded error
// number to `onError`. Returns true when the body ran to its end.
template <class Body, class OnError>
bool TrapWith(Body&& body, OnError&& onError) {
    std::int32_t number = 0;
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception& e) {
        number = ErrorNumberOf(e);
    }
    // Reported outside the handler so that an error inside the report reaches
    // the caller's trap, as a nested error does.
    std::forward<OnError>(onError)(FoldErrorNumber(number));
    return false;
}

// The error trap: runs `body`; a run-time error ends it at once and is logged
// with `procedure`, the qualified name ("Form1.add_beacon"). Returns true when
// the body ran to its end. A function keeps the value it had assigned before
// the error, so callers assign their result inside the body.
template <class Body>
bool Trap(std::string_view procedure, Body&& body) {
    return TrapWith(std::forward<Body>(body),
                    [procedure](std::int16_t number) { LogError(number, procedure); });
}

}  // namespace bb
