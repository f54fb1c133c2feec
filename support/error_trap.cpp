#include "support/error_trap.h"

#include <algorithm>
#include <array>
#include <new>
#include <stdexcept>

namespace bb {

namespace {

struct ErrorEntry {
    std::int32_t number;
    std::string_view text;
};

// The run-time library's standard texts, by number (sorted for lookup).
constexpr std::array kErrorTexts = {
    ErrorEntry{3, "Return without GoSub"},
    ErrorEntry{5, "Invalid procedure call or argument"},
    ErrorEntry{6, "Overflow"},
    ErrorEntry{7, "Out of memory"},
    ErrorEntry{9, "Subscript out of range"},
    ErrorEntry{10, "This array is fixed or temporarily locked"},
    ErrorEntry{11, "Division by zero"},
    ErrorEntry{13, "Type mismatch"},
    ErrorEntry{14, "Out of string space"},
    ErrorEntry{16, "Expression too complex"},
    ErrorEntry{17, "Can't perform requested operation"},
    ErrorEntry{18, "User interrupt occurred"},
    ErrorEntry{20, "Resume without error"},
    ErrorEntry{28, "Out of stack space"},
    ErrorEntry{35, "Sub or Function not defined"},
    ErrorEntry{47, "Too many DLL application clients"},
    ErrorEntry{48, "Error in loading DLL"},
    ErrorEntry{49, "Bad DLL calling convention"},
    ErrorEntry{51, "Internal error"},
    ErrorEntry{52, "Bad file name or number"},
    ErrorEntry{53, "File not found"},
    ErrorEntry{54, "Bad file mode"},
    ErrorEntry{55, "File already open"},
    ErrorEntry{57, "Device I/O error"},
    ErrorEntry{58, "File already exists"},
    ErrorEntry{59, "Bad record length"},
    ErrorEntry{61, "Disk full"},
    ErrorEntry{62, "Input past end of file"},
    ErrorEntry{63, "Bad record number"},
    ErrorEntry{67, "Too many files"},
    ErrorEntry{68, "Device unavailable"},
    ErrorEntry{70, "Permission denied"},
    ErrorEntry{71, "Disk not ready"},
    ErrorEntry{74, "Can't rename with different drive"},
    ErrorEntry{75, "Path/File access error"},
    ErrorEntry{76, "Path not found"},
    ErrorEntry{91, "Object variable or With block variable not set"},
    ErrorEntry{92, "For loop not initialized"},
    ErrorEntry{93, "Invalid pattern string"},
    ErrorEntry{94, "Invalid use of Null"},
    ErrorEntry{280, "DDE channel not fully closed; awaiting response from foreign application"},
    ErrorEntry{281, "No more DDE channels"},
    ErrorEntry{282, "No foreign application responded to a DDE initiate"},
    ErrorEntry{283, "Multiple applications responded to a DDE initiate"},
    ErrorEntry{284, "DDE channel locked"},
    ErrorEntry{285, "Foreign application won't perform DDE method or operation"},
    ErrorEntry{286, "Timeout while waiting for DDE response"},
    ErrorEntry{287, "User pressed Escape key during DDE operation"},
    ErrorEntry{288, "Destination is busy"},
    ErrorEntry{289, "Data not provided in DDE operation"},
    ErrorEntry{290, "Data in wrong format"},
    ErrorEntry{291, "Foreign application quit"},
    ErrorEntry{292, "DDE conversation closed or changed"},
    ErrorEntry{293, "DDE method invoked with no channel open"},
    ErrorEntry{294, "Invalid DDE Link format"},
    ErrorEntry{295, "Message queue filled; DDE message lost"},
    ErrorEntry{296, "PasteLink already performed on this control"},
    ErrorEntry{297, "Can't set LinkMode; invalid LinkTopic"},
    ErrorEntry{298, "System DLL 'dde.dll' could not be loaded"},
    ErrorEntry{321, "Invalid file format"},
    ErrorEntry{322, "Can't create necessary temporary file"},
    ErrorEntry{325, "Invalid format in resource file"},
    ErrorEntry{380, "Invalid property value"},
    ErrorEntry{381, "Invalid property array index"},
    ErrorEntry{382, "Set not supported at runtime"},
    ErrorEntry{383, "Set not supported (read-only property)"},
    ErrorEntry{385, "Need property array index"},
    ErrorEntry{387, "Set not permitted"},
    ErrorEntry{393, "Get not supported at runtime"},
    ErrorEntry{394, "Get not supported (write-only property)"},
    ErrorEntry{422, "Property not found"},
    ErrorEntry{423, "Property or method not found"},
    ErrorEntry{424, "Object required"},
    ErrorEntry{429, "ActiveX component can't create object"},
    ErrorEntry{430, "Class does not support Automation or does not support expected interface"},
    ErrorEntry{432, "File name or class name not found during Automation operation"},
    ErrorEntry{438, "Object doesn't support this property or method"},
    ErrorEntry{440, "Automation error"},
    ErrorEntry{445, "Object doesn't support this action"},
    ErrorEntry{446, "Object doesn't support named arguments"},
    ErrorEntry{447, "Object doesn't support current locale setting"},
    ErrorEntry{448, "Named argument not found"},
    ErrorEntry{449, "Argument not optional"},
    ErrorEntry{450, "Wrong number of arguments or invalid property assignment"},
    ErrorEntry{
        451,
        "Property let procedure not defined and property get procedure did not return an object"},
    ErrorEntry{452, "Invalid ordinal"},
    ErrorEntry{453, "Specified DLL function not found"},
    ErrorEntry{454, "Code resource not found"},
    ErrorEntry{455, "Code resource lock error"},
    ErrorEntry{457, "This key is already associated with an element of this collection"},
    ErrorEntry{458, "Variable uses an Automation type not supported in Visual Basic"},
    ErrorEntry{459, "Object or class does not support the set of events"},
    ErrorEntry{460, "Invalid clipboard format"},
    ErrorEntry{461, "Method or data member not found"},
    ErrorEntry{462, "The remote server machine does not exist or is unavailable"},
    ErrorEntry{463, "Class not registered on local machine"},
    ErrorEntry{481, "Invalid picture"},
    ErrorEntry{482, "Printer error"},
    ErrorEntry{735, "Can't save file to TEMP"},
    ErrorEntry{744, "Search text not found"},
    ErrorEntry{746, "Replacements too long"},
};

constexpr std::string_view kFallbackText = "Application-defined or object-defined error";

constexpr bool IsSorted() {
    for (std::size_t i = 1; i < kErrorTexts.size(); ++i) {
        if (kErrorTexts[i - 1].number >= kErrorTexts[i].number) return false;
    }
    return true;
}
static_assert(IsSorted(), "error texts must stay sorted by number");

}  // namespace

void Raise(std::int32_t number, std::string detail) {
    throw RuntimeError(number, std::move(detail));
}

std::string_view ErrorText(std::int32_t number) {
    auto it = std::lower_bound(kErrorTexts.begin(), kErrorTexts.end(), number,
                               [](const ErrorEntry& e, std::int32_t n) { return e.number < n; });
    if (it != kErrorTexts.end() && it->number == number) return it->text;
    return kFallbackText;
}

std::int16_t FoldErrorNumber(std::int64_t number) noexcept {
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(static_cast<std::uint64_t>(number) & 0xFFFFu));
}

std::int32_t ErrorNumberOf(const std::exception& e) noexcept {
    if (auto* r = dynamic_cast<const RuntimeError*>(&e)) return r->number();
    if (dynamic_cast<const std::bad_alloc*>(&e)) return err::kOutOfMemory;
    if (dynamic_cast<const std::out_of_range*>(&e)) return err::kSubscript;
    if (dynamic_cast<const std::length_error*>(&e)) return err::kOutOfMemory;
    if (dynamic_cast<const std::overflow_error*>(&e)) return err::kOverflow;
    return err::kInvalidCall;
}

}  // namespace bb
