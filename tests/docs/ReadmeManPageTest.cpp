// The README and the manual page name the same options, environment
// variables and exit codes: a change to one table without the other fails.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The lines of a source file from the one that starts with `heading` up to
// the next that starts with `next` (Markdown "## ", manual page ".SH ").
std::vector<std::string> section(const std::string& file, const std::string& heading, const std::string& next) {
    std::ifstream in(std::string(CORVEL_SOURCE_DIR) + "/" + file, std::ios::binary);
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (inside && line.starts_with(next)) break;
        inside = inside || line.starts_with(heading);
        if (inside) lines.push_back(line);
    }
    return lines;
}

// The first cell of every Markdown table row: its `quoted` words, or the
// cell itself when it is a number.
std::set<std::string> firstCells(const std::vector<std::string>& lines, bool quoted) {
    std::set<std::string> words;
    for (const std::string& line : lines) {
        if (!line.starts_with("| ")) continue;
        const std::string cell = line.substr(2, line.find(" |") - 2);
        if (!quoted && cell.find_first_not_of("0123456789") == std::string::npos) words.insert(cell);
        for (std::size_t at = cell.find('`'); quoted && at != std::string::npos; at = cell.find('`', at + 1)) {
            const std::size_t end = cell.find('`', at + 1);
            words.insert(cell.substr(at + 1, end - at - 1));
            at = end;
        }
    }
    return words;
}

// The words a manual page tags with .B or .BR after .TP, "\-" read as "-".
std::set<std::string> manTags(const std::vector<std::string>& lines) {
    std::set<std::string> words;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i - 1] != ".TP" || !lines[i].starts_with(".B")) continue;
        std::string bare;
        bool inQuotes = false;
        for (std::size_t at = lines[i].find(' '); at < lines[i].size(); ++at) {
            const char c = lines[i][at];
            inQuotes = inQuotes != (c == '"');
            if (!inQuotes && c != '"' && c != '\\') bare += c;
        }
        std::istringstream in(bare);
        for (std::string word; in >> word;) words.insert(word);
    }
    return words;
}

TEST(ReadmeManPage, sameOptionsVariablesAndExitCodes) {
    const std::set<std::string> options = firstCells(section("README.md", "## Options and environment", "## "), true);
    EXPECT_TRUE(options.contains("--help") && options.contains("CORVEL_CHARSET"));
    std::vector<std::string> manOptions = section("man/corvel.1", ".SH OPTIONS", ".SH ");
    const std::vector<std::string> environment = section("man/corvel.1", ".SH ENVIRONMENT", ".SH ");
    manOptions.insert(manOptions.end(), environment.begin(), environment.end());
    EXPECT_EQ(options, manTags(manOptions));

    const std::set<std::string> codes = firstCells(section("README.md", "## Exit codes", "## "), false);
    EXPECT_EQ(codes, (std::set<std::string>{"0", "1", "2", "255"}));
    EXPECT_EQ(codes, manTags(section("man/corvel.1", ".SH EXIT STATUS", ".SH ")));
}

}  // namespace
