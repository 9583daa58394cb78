// Running a command line with CreateProcessW: the system directory's
// cmd.exe as the program when the line starts with "cmd" (the line itself
// unchanged), no new console, the console's handles as the child's
// standard handles, the form's environment (less the working directory in
// program searches) and directory; only a failed start is an error.
#include "runtime/windows/ProcessCommands.h"

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/CommandLine.h"
#include "runtime/ErrorState.h"
#include "runtime/SystemCall.h"
#include "runtime/windows/BoolResult.h"
#include "runtime/windows/OwnedHandle.h"

namespace corvel::windows {

namespace {

// The system directory's cmd.exe; empty when the directory is not known.
std::wstring interpreterPath() {
    wchar_t directory[MAX_PATH];
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(directory, length) + L"\\cmd.exe";
}

bool startsWithCmd(std::string_view line) {
    const std::vector<std::string> words = splitWords(line);
    if (words.empty() || words.front().size() != 3) return false;
    const std::string& word = words.front();
    return (word[0] | 0x20) == 'c' && (word[1] | 0x20) == 'm' && (word[2] | 0x20) == 'd';
}

// The line as CreateProcessA would pass it: in the system's code page.
std::wstring wideLine(const std::string& line) {
    if (line.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), wide.data(), length);
    return wide;
}

// Children look for programs in PATH and in this program's folder, where a
// sysop puts the tone program, never in the working directory.
void keepChildrenOutOfWorkingDirectory() {
    SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    std::wstring folder(program, length);
    folder.erase(folder.find_last_of(L"\\/") == std::wstring::npos ? 0 : folder.find_last_of(L"\\/"));
    if (folder.empty()) return;
    const DWORD pathLength = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(pathLength, L'\0');
    if (pathLength > 0) path.resize(GetEnvironmentVariableW(L"PATH", path.data(), pathLength));
    SetEnvironmentVariableW(L"PATH", path.empty() ? folder.c_str() : (folder + L";" + path).c_str());
}

// An inheritable copy of a handle for a child's standard handles, or null.
HANDLE inheritable(void* handle) {
    HANDLE copy = nullptr;
    if (handle == nullptr ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

// The console's handles as a child's standard handles, and the list that
// lets the child inherit those two and no other handle of ours; given back
// when the child has started.
class ChildHandles {
public:
    ChildHandles(void* screen, void* keyboard) : output_(inheritable(screen)), input_(inheritable(keyboard)) {
        if (!complete()) return;
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        attributes_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes_.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            attributes_.clear();
            return;
        }
        if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_, sizeof handles_, nullptr,
                                       nullptr)) {
            DeleteProcThreadAttributeList(list);
            attributes_.clear();
        }
    }
    ~ChildHandles() {
        if (!attributes_.empty()) DeleteProcThreadAttributeList(reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes_.data()));
        if (output_ != nullptr) CloseHandle(output_);
        if (input_ != nullptr) CloseHandle(input_);
    }
    ChildHandles(const ChildHandles&) = delete;
    ChildHandles& operator=(const ChildHandles&) = delete;
    // Both copies made, and no other handle goes with them.
    bool complete() const { return output_ != nullptr && input_ != nullptr; }
    bool listed() const { return !attributes_.empty(); }
    // restrict: the list goes along, the child inherits nothing else.
    void fill(STARTUPINFOEXW& startup, bool restrict) {
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = input_;
        startup.StartupInfo.hStdOutput = output_;
        startup.StartupInfo.hStdError = output_;
        if (!restrict) return;
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes_.data());
    }

private:
    HANDLE output_;
    HANDLE input_;
    HANDLE handles_[2] = {output_, input_};
    std::vector<unsigned char> attributes_;
};

}  // namespace

bool hostIgnoresConsoleSize() { return GetEnvironmentVariableW(L"WT_SESSION", nullptr, 0) > 0; }

ProcessCommands::ProcessCommands(SharedConsole& console, void* screen, void* keyboard)
    : console_(console), screen_(screen), keyboard_(keyboard) {
    keepChildrenOutOfWorkingDirectory();
}

std::uint32_t ProcessCommands::runCommand(ErrorState& errors, std::string_view commandText,
                                          std::uint16_t showStyleAndWait, bool inheritHandles) {
    const std::string line(commandText.substr(0, commandLimit));
    const CommandLine command = parseCommandLine(line);
    if (command.kind == CommandLine::Kind::resize) {
        console_.sizeForForm(command.columns, command.rows);
        if (hostIgnoresConsoleSize()) return 0;
    }
    std::wstring commandLine = wideLine(line);  // NUL-ended by the string
    const std::wstring application = startsWithCmd(line) ? interpreterPath() : std::wstring();
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = static_cast<WORD>(showStyleAndWait & 0x7FFF);
    // The console as the child's standard handles, so that what it writes
    // (and CLS) reaches the console also when ours are redirected; when the
    // caller wants nothing inherited, only these two copies go.
    ChildHandles handles(screen_, keyboard_);
    const bool restrict = !inheritHandles && handles.listed();
    const bool given = handles.complete() && (inheritHandles || restrict);
    if (given) handles.fill(startup, restrict);
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = inheritHandles ? TRUE : FALSE;
    PROCESS_INFORMATION process{};

    ConsoleSharedWithChild shared(console_);
    SystemResult started = callSystem("CreateProcessW", [&] {
        return boolResult(CreateProcessW(application.empty() ? nullptr : application.c_str(), commandLine.data(),
                                         &security, &security, inheritHandles || given ? TRUE : FALSE,
                                         NORMAL_PRIORITY_CLASS | (restrict ? EXTENDED_STARTUPINFO_PRESENT : 0), nullptr,
                                         nullptr, &startup.StartupInfo, &process));
    });
    if (started.failed()) {
        errors.raiseRuntimeError(failureCode(started));
        return 0;
    }
    const OwnedHandle processHandle(process.hProcess);
    const OwnedHandle threadHandle(process.hThread);
    std::uint32_t result = process.dwProcessId;
    if ((showStyleAndWait & waitForCompletion) != 0) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exitCode = 0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        result = exitCode;
    }
    return result;
}

}  // namespace corvel::windows
