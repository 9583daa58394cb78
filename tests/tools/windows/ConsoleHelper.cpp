// A helper of the wine runs. "console_helper resize NAME COLUMNS ROWS": the
// console of the running program NAME gets a window of that size, as when
// its user resizes it. Started under any other name or with other
// arguments (as a planted cmd.exe is), it leaves the file "planted.ran" in
// the working directory: proof that it ran.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

DWORD processNamed(const char* name) {
    DWORD found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, name) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

int resize(const char* name, SHORT columns, SHORT rows) {
    const DWORD process = processNamed(name);
    if (process == 0 || (FreeConsole(), !AttachConsole(process))) return 3;
    HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(screen, &info)) return 4;
    const SMALL_RECT window{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    const COORD size{std::max(columns, info.dwSize.X), std::max(rows, info.dwSize.Y)};
    return SetConsoleScreenBufferSize(screen, size) && SetConsoleWindowInfo(screen, TRUE, &window) ? 0 : 5;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "resize") == 0) {
        return resize(argv[2], static_cast<SHORT>(std::atoi(argv[3])), static_cast<SHORT>(std::atoi(argv[4])));
    }
    if (FILE* proof = std::fopen("planted.ran", "w")) std::fclose(proof);
    return 0;
}
