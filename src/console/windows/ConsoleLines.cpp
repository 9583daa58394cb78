// Plain mode's lines on the Windows standard handles.
#include "console/windows/ConsoleLines.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "console/Cp437.h"
#include "console/windows/ConsoleText.h"

namespace corvel::windows {
namespace {

bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// Ctrl+Z at the start of a console line is the end of the input there.
constexpr char endOfInputKey = 26;

// A redirected line in the console's input code page (the system's OEM
// one without a console), brought into code page 437 as typed keys are.
std::string redirectedLine(const std::string& bytes) {
    if (bytes.empty()) return bytes;
    const UINT codePage = GetConsoleCP() != 0 ? GetConsoleCP() : CP_OEMCP;
    const int units = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), units);
    return consoleTextFromWide(wide.c_str());
}

}  // namespace

ConsoleLines::ConsoleLines()
    : input_(GetStdHandle(STD_INPUT_HANDLE)), output_(GetStdHandle(STD_OUTPUT_HANDLE)),
      error_(GetStdHandle(STD_ERROR_HANDLE)), inputIsConsole_(isConsole(input_)),
      outputIsConsole_(isConsole(output_)), errorIsConsole_(isConsole(error_)),
      reader_([this](char* buffer, std::size_t size) { return readInput(buffer, size); }) {}

// From the console: UTF-16 units as their code page 437 bytes (control
// characters, CR and LF among them, as they are). Redirected: the bytes.
std::size_t ConsoleLines::readInput(char* buffer, std::size_t size) {
    DWORD got = 0;
    if (!inputIsConsole_) {
        if (!ReadFile(input_, buffer, static_cast<DWORD>(size), &got, nullptr)) return 0;
        return got;
    }
    // A unit renders as at most four bytes (Щ as Shch).
    std::vector<wchar_t> units(std::clamp<std::size_t>(size / 4, 1, 1024) + 1, L'\0');
    for (;;) {
        if (!ReadConsoleW(input_, units.data(), static_cast<DWORD>(units.size() - 1), &got, nullptr) || got == 0) {
            return 0;
        }
        units[got] = L'\0';
        const std::string bytes = consoleTextFromWide(units.data()).substr(0, size);
        if (bytes.empty()) continue;  // units without a byte: read on
        std::copy(bytes.begin(), bytes.end(), buffer);
        return bytes.size();
    }
}

std::optional<std::string> ConsoleLines::readLine() {
    std::optional<std::string> line = reader_.readLine();
    if (!line) return line;
    if (inputIsConsole_) {
        if (!line->empty() && line->front() == endOfInputKey) return std::nullopt;
        return withoutControlCharacters(*line);
    }
    return withoutControlCharacters(redirectedLine(*line));
}

// To a console each byte as its code page 437 glyph, whatever code page the
// console has; to a file or pipe the bytes, with the look-alikes of the
// control range. The line end goes out as it is.
void ConsoleLines::writeTo(void* handle, bool console, std::string_view text, std::string_view ending) {
    DWORD done = 0;
    if (console) {
        std::wstring wide;
        for (char c : text) wide += static_cast<wchar_t>(cp437ToUnicode(static_cast<std::uint8_t>(c)));
        wide.append(ending.begin(), ending.end());
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
        return;
    }
    std::string bytes;
    for (char c : text) {
        const auto b = static_cast<std::uint8_t>(c);
        bytes += b < 32 || b == 127 ? asciiLookAlike(b) : c;
    }
    bytes += ending;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

void ConsoleLines::write(std::string_view text) { writeTo(output_, outputIsConsole_, text, {}); }

void ConsoleLines::endLine() { writeTo(output_, outputIsConsole_, {}, "\r\n"); }

void ConsoleLines::writeError(std::string_view line) { writeTo(error_, errorIsConsole_, line, "\r\n"); }

}  // namespace corvel::windows
