// Finding a program on PATH for the command-interpreter stand-in.
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "runtime/ChildProcess.h"
#include "runtime/SystemCall.h"

namespace corvel {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    if (callSystem("stat", [&] { return ::stat(path.c_str(), &info); }).failed()) return false;
    if (!S_ISREG(info.st_mode)) return false;
    return !callSystem("access", [&] { return ::access(path.c_str(), X_OK); }).failed();
}

std::optional<std::string> searchPath(std::string_view name) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        std::string path(name);
        return isExecutableFile(path) ? std::optional(path) : std::nullopt;
    }
    const char* variable = std::getenv("PATH");
    std::string_view directories = variable != nullptr ? variable : "/usr/bin:/bin";
    while (true) {
        const std::size_t colon = directories.find(':');
        std::string directory(directories.substr(0, colon));
        if (directory.empty()) directory = ".";  // an empty entry is the current directory
        std::string path = directory + "/" + std::string(name);
        if (isExecutableFile(path)) return path;
        if (colon == std::string_view::npos) return std::nullopt;
        directories.remove_prefix(colon + 1);
    }
}

bool hasExeSuffix(std::string_view name) {
    if (name.size() <= 4) return false;
    std::string_view suffix = name.substr(name.size() - 4);
    return suffix[0] == '.' && std::tolower(static_cast<unsigned char>(suffix[1])) == 'e' &&
           std::tolower(static_cast<unsigned char>(suffix[2])) == 'x' &&
           std::tolower(static_cast<unsigned char>(suffix[3])) == 'e';
}

}  // namespace

std::optional<std::string> findProgram(std::string_view name) {
    if (std::optional<std::string> path = searchPath(name)) return path;
    if (hasExeSuffix(name)) return searchPath(name.substr(0, name.size() - 4));
    return std::nullopt;
}

}  // namespace corvel
