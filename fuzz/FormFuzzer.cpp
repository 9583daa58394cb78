// The whole form on the in-memory device under arbitrary keys. When the
// input's keys run out, Alt+X and Enter are pressed until the form ends
// (Alt+X leaves a question, Enter declines the confirmation or ends its
// closing prompt). The file must then hold the 2 header lines, or the 19
// lines with every label once and in order. Each run works in its own
// temporary directory with PATH pointing there, so the error tone finds no
// program and no child is started.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzKeys.h"
#include "app/FormHarness.h"

namespace {

using namespace corvel;

constexpr std::array<std::string_view, 15> fileLabels = {
    "Real Name = ",  "Email Address = ",   "BBS/Site Name = ", "Location = ",       "Voice Phone = ",
    "Best Time to call = ", "Data Phone = ", "BAUD Rate = ",   "Internet = ",       "Domain/IP = ",
    "Mailer = ",     "Echomail Tosser = ", "File Tosser = ",   "Former SysOp = ",   "Instructions = "};
constexpr std::array<bool, 15> required = {true, true, true, true, true, false, false, false,
                                           false, false, false, false, false, true, false};
constexpr int endingRounds = 8;

[[noreturn]] void fail(const char* what, const std::string& file) {
    std::fprintf(stderr, "form property broken: %s\n--- file ---\n%s\n", what, file.c_str());
    std::abort();
}

std::vector<std::string> lines(const std::string& file) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < file.size()) {
        const std::size_t end = file.find("\r\n", at);
        if (end == std::string::npos) {
            out.push_back(file.substr(at) + "<no line end>");
            break;
        }
        out.push_back(file.substr(at, end - at));
        at = end + 2;
    }
    return out;
}

void checkFile(const std::string& file) {
    const std::vector<std::string> l = lines(file);
    const std::string header = test::headerLines.substr(0, test::headerLines.find("\r\n"));
    if (l.size() < 2 || l[0] != header || !l[1].empty()) fail("the header lines are wrong", file);
    if (l.size() == 2) return;
    if (l.size() != 19) fail("the file has neither 2 nor 19 lines", file);
    for (std::size_t i = 0; i < fileLabels.size(); ++i) {
        const std::string& line = l[i + 2];
        if (line.compare(0, fileLabels[i].size(), fileLabels[i]) != 0) fail("a label is missing or out of order", file);
        const std::string answer = line.substr(fileLabels[i].size());
        if (required[i] && answer.empty()) fail("a required answer is empty", file);
        if (!answer.empty() && (answer.front() == ' ' || answer.back() == ' ')) fail("an answer is not trimmed", file);
        if (answer.find('\0') != std::string::npos) fail("an answer holds a marker byte", file);
    }
    const std::string formerSysop = l[2 + 13].substr(fileLabels[13].size());
    if (formerSysop == "y" || formerSysop == "Y" || formerSysop == "n" || formerSysop == "N")
        fail("a one-letter Y/N answer was not written out", file);
    if (!l[17].empty() || l[18] != "09:05:03 ==={ End of Application }=== ") fail("the end lines are wrong", file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    test::FormHarness form;
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", form.dir.path().c_str(), 1);
    int rounds = 0;
    form.device.setIdleHook([&] {
        if (input.remaining_bytes() > 0) {
            form.device.pushEvent(fuzz::fuzzKey(input.ConsumeIntegral<std::uint8_t>()));
            return;
        }
        if (++rounds > endingRounds) fail("the form did not end after Alt+X and Enter", form.file());
        form.device.pushAlt('x');
        form.device.pushKey(13, 28);
    });
    const int exitCode = form.run();
    setenv("PATH", path.c_str(), 1);
    if (exitCode != 0) fail("the form ended with an exit code other than 0", form.file());
    checkFile(form.file());
    if (std::getenv("CORVEL_FUZZ_SHOW") != nullptr) std::fputs(form.file().c_str(), stderr);
    return 0;
}
