#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/CommandRunner.h"

namespace vexmora::test {

// Records every argument vector and answers from a script: succeeds with empty output unless
// `answer` says otherwise; programs in `missing` are not installed.
class FakeCommandRunner : public platform::CommandRunner {
public:
    platform::CommandResult Run(const std::vector<std::string>& arguments, long) override {
        commands.push_back(arguments);
        platform::CommandResult result;
        if (missing.count(arguments.front()))
            return result;
        result.started = true;
        result.exitCode = 0;
        if (answer)
            answer(arguments, result);
        return result;
    }

    bool IsInstalled(const std::string& program) override { return !missing.count(program); }

    std::vector<std::vector<std::string>> commands;
    std::set<std::string> missing;
    std::function<void(const std::vector<std::string>&, platform::CommandResult&)> answer;
};

} // namespace vexmora::test
