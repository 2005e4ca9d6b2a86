#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "tools/mp3_maker.h"

namespace {
using Action = CommandLine::Action;

struct Case {
    std::vector<std::string> arguments;  // after the program's name; "{dir}" is a real folder
    Action action;
    std::string folder;
    std::string errorMentions;  // for refusals
    bool usage = false;
};

void PrintTo(const Case& c, std::ostream* out) {
    if (c.arguments.empty()) *out << "(no arguments)";
    for (std::size_t i = 0; i < c.arguments.size(); ++i) *out << (i > 0 ? " " : "") << c.arguments[i];
}

class CommandLineParsing : public ::testing::TestWithParam<Case> {};

std::string replaced(std::string text, const std::string& folder, const std::string& file) {
    for (const auto& [name, value] : {std::pair{std::string("{dir}"), folder}, std::pair{std::string("{file}"), file}}) {
        for (std::size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
    }
    return text;
}
}  // namespace

TEST_P(CommandLineParsing, GivesTheActionFolderAndMessage) {
    mp3::TempFolder temp;
    const std::string file = temp / "song.mp3";
    std::ofstream(file) << "x";
    std::vector<std::string> words = {"viz"};
    for (const std::string& argument : GetParam().arguments) words.push_back(replaced(argument, temp.path(), file));
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());

    const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(line.action, GetParam().action);
    EXPECT_EQ(line.folder, replaced(GetParam().folder, temp.path(), file));
    if (GetParam().action == Action::Refuse) {
        EXPECT_NE(line.error.find(replaced(GetParam().errorMentions, temp.path(), file)), std::string::npos)
            << line.error;
        EXPECT_EQ(line.error.find('\n'), std::string::npos) << "one line";
        EXPECT_EQ(line.showUsage, GetParam().usage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineParsing,
    ::testing::Values(
        Case{{}, Action::Run, "", ""},
        Case{{"{dir}"}, Action::Run, "{dir}", ""},
        Case{{"-display", ":7", "-sync", "{dir}", "-iconic"}, Action::Run, "{dir}", ""},
        Case{{"--", "-display"}, Action::Refuse, "", "'-display'"},
        Case{{"-h"}, Action::ShowHelp, "", ""},
        Case{{"{dir}", "--help"}, Action::ShowHelp, "", ""},
        Case{{"--version"}, Action::ShowVersion, "", ""},
        Case{{"--volume"}, Action::Refuse, "", "unknown option '--volume'", true},
        Case{{"-display"}, Action::Refuse, "", "'-display' needs a value", true},
        Case{{"{dir}", "{dir}"}, Action::Refuse, "", "one folder at most", true},
        Case{{"{dir}/missing"}, Action::Refuse, "", "{dir}/missing", false},
        Case{{"{file}"}, Action::Refuse, "", "'{file}' is not a folder", false}));
