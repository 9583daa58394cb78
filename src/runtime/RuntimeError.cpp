// The message table of the run-time error codes and the mapping from
// Windows error numbers to those codes.
#include "runtime/RuntimeError.h"

#include <array>

namespace corvel {

namespace {

struct ErrorText {
    std::uint8_t code;
    std::string_view message;
};

// In code order; codes that are missing have no message.
constexpr ErrorText errorTexts[] = {
    {0, "No Error"},
    {5, "Illegal function call"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {9, "Subscript/Pointer out of range"},
    {11, "Division by zero"},
    {24, "Device timeout"},
    {51, "Internal error"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File is open"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {61, "Disk full"},
    {62, "Input past end"},
    {63, "Bad record number"},
    {64, "Bad file name"},
    {67, "Too many files"},
    {68, "Device unavailable"},
    {69, "Comm error"},
    {70, "Permission denied"},
    {71, "Disk not ready"},
    {72, "Disk media error"},
    {74, "Rename across disks"},
    {75, "Path/file access error"},
    {76, "Path not found"},
    {99, "Object error"},
    {241, "Global memory corrupt"},
    {242, "String space corrupt"},
};

// Windows error numbers 0..39 in order.
constexpr std::array<std::uint8_t, 40> lowSystemErrors{
    0,  75, 53, 76, 67, 70, 51, 241, 7,  241,  // 0..9
    241, 51, 51, 51, 7, 68, 75, 74,  53, 70,   // 10..19
    68, 71, 51, 72, 51, 72, 72, 72,  72, 72,   // 20..29
    72, 72, 70, 70, 72, 72, 70, 75,  62, 61,   // 30..39
};

}  // namespace

std::string_view errorMessage(unsigned code) {
    if (code > 255) code = 0;
    for (const ErrorText& entry : errorTexts) {
        if (entry.code == code) return entry.message;
    }
    return {};
}

std::uint8_t systemErrorToRuntimeError(std::uint32_t systemError) {
    if (systemError < lowSystemErrors.size()) return lowSystemErrors[systemError];
    if (systemError == 112) return 61;  // disk full
    if (systemError == 87) return 5;    // invalid parameter
    return 75;
}

}  // namespace corvel
