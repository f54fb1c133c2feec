// The diagnostic log: every trapped error becomes one line of ErrorLog.txt,
// and the first line of a run is preceded by the run header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "support/clock.h"

namespace bb {

inline constexpr const char* kErrorLogName = "ErrorLog.txt";

namespace Common {

// Readies the log: clears the header flag, sets the log path in the writable
// folder, records the start time and the OS version.
void Initialize();
// Writes the shutdown line if anything was logged in this run.
void Terminate();
void GetOSVersion();
std::int32_t GetOSBuild();
std::string GetOSName();
// Appends one time-stamped line, after the run header when none has been
// written yet. Every failure inside is ignored: a log that cannot be written
// loses its lines.
void WriteErrorLog(std::string_view text);

// The log file's path; empty before Initialize.
const std::string& LogPath();
bool HeaderWritten();

// The list of connected radio-control programs the header shows; the radio
// link installs its own. Until then the list is empty.
void SetConnectedServersSource(std::function<std::string()> source);

// "dd-mmm-yyyy hh:nn:ss" with the user's abbreviated month names, English
// where the locale has none.
std::string FormatTimeStamp(DateTime utc);

// Forgets the run's state, as at process start (for tests).
void ResetForTesting();

}  // namespace Common

using Common::WriteErrorLog;

std::string GetConnectedServers();

namespace LocaleInfo {
std::string GetUserLocaleInfo(std::uint32_t lcid, std::uint32_t item);
std::string GetLocaleLanguage();
std::string GetLocaleCountry();
}  // namespace LocaleInfo

}  // namespace bb
