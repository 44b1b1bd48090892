// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace lyr::test {

// Another program run by a test, with pipes to its standard streams. Reads wait at most the
// given time, so a wrong child fails the test instead of hanging it. The child is killed if it
// still runs when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& extra_environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // One line of standard output (without the line break); nothing on time-out or end.
    std::optional<std::string> ReadLine(
        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    std::optional<std::string> ReadErrorLine(
        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    void CloseInput();
    void Signal(int signal);
    // The exit code (128 + signal for a killed child); nothing on time-out.
    std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // What is left on standard output / error after the child has ended.
    std::string RestOfOutput();
    std::string RestOfErrors();

private:
    std::optional<std::string> ReadLineFrom(int fd, std::string& pending,
                                            std::chrono::milliseconds timeout);
    std::string DrainFrom(int fd, std::string& pending);

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1;
    std::string pending_output_;
    std::string pending_errors_;
    std::optional<int> exit_code_;
};

// Where the test helper programs and the built binaries are.
std::string BinaryDir();

}  // namespace lyr::test
