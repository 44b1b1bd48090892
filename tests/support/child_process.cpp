// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace lyr::test {
namespace {

void MakePipe(int fds[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::vector<std::string>& extra_environment) {
    int input[2], output[2], errors[2];
    MakePipe(input);
    MakePipe(output);
    MakePipe(errors);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errors[1], 2);

    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment_text;
    for (char** entry = environ; *entry; ++entry) {
        environment_text.emplace_back(*entry);
    }
    environment_text.insert(environment_text.end(), extra_environment.begin(),
                            extra_environment.end());
    std::vector<char*> envp;
    for (auto& entry : environment_text) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    int result = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    ::close(errors[1]);
    input_ = input[1];
    output_ = output[0];
    errors_ = errors[0];
    if (result != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + arguments.at(0));
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exit_code_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {input_, output_, errors_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    return ReadLineFrom(output_, pending_output_, timeout);
}

std::optional<std::string> ChildProcess::ReadErrorLine(std::chrono::milliseconds timeout) {
    return ReadLineFrom(errors_, pending_errors_, timeout);
}

std::optional<std::string> ChildProcess::ReadLineFrom(int fd, std::string& pending,
                                                      std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto end = pending.find('\n'); end != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            return line;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return std::nullopt;
        }
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[4096];
        ssize_t size = ::read(fd, buffer, sizeof buffer);
        if (size <= 0) {
            return std::nullopt;
        }
        pending.append(buffer, static_cast<size_t>(size));
    }
}

void ChildProcess::CloseInput() {
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0 && !exit_code_) {
        ::kill(pid_, signal);
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!exit_code_) {
        int status = 0;
        pid_t result = ::waitpid(pid_, &status, WNOHANG);
        if (result == pid_) {
            exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return exit_code_;
}

std::string ChildProcess::DrainFrom(int fd, std::string& pending) {
    char buffer[4096];
    ssize_t size;
    while ((size = ::read(fd, buffer, sizeof buffer)) > 0) {
        pending.append(buffer, static_cast<size_t>(size));
    }
    return std::exchange(pending, {});
}

std::string ChildProcess::RestOfOutput() {
    return DrainFrom(output_, pending_output_);
}
std::string ChildProcess::RestOfErrors() {
    return DrainFrom(errors_, pending_errors_);
}

std::string BinaryDir() {
    const char* dir = std::getenv("LYR_BINARY_DIR");
    return dir ? dir : LYR_BUILD_DIR;
}

}  // namespace lyr::test
