// SPDX-FileCopyrightText: 2026 The Vorlane developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "wholeprocess.h"

#include "floor.h"
#include "machine.h"
#include "sim/command/fields.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorlane::bench {

namespace {

namespace fs = std::filesystem;

// One process to time: its arguments after the program's name.
struct Case {
    std::string name;
    std::string program;
    std::vector<std::string> arguments;
    std::vector<double> seconds;
};

// The wall-clock seconds a process takes from its start to its end; throws
// when it cannot start or does not end well.
double timeProcess(const Case& c) {
    std::vector<char*> argv{const_cast<char*>(c.program.c_str())};
    for (const std::string& argument : c.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, c.program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + c.program);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(c.name + " failed");
    return taken.count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// A parameter file with the panel's defaults but the number of scratches and the pen width.
std::string writeParameters(const fs::path& folder, long scratches, int pen) {
    sim::RingFields fields;
    fields.txtlines = std::to_string(scratches);
    fields.txtdrawwidth = std::to_string(pen);
    const fs::path file = folder / ("rings-" + std::to_string(scratches) + "-" +
                                    std::to_string(pen) + ".pel");
    std::ofstream out(file);
    out << "Vorlane parameters 1\n";
    for (const sim::RingField& field : sim::kRingFieldsByName)
        out << field.name << '=' << fields.*field.text << '\n';
    return file;
}

// The bench's own folder, removed with what it holds however the bench ends.
class TemporaryFolder {
public:
    TemporaryFolder()
        : path_(fs::temp_directory_path() / ("bench_rings." + std::to_string(getpid()))) {
        fs::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// A signal ends the bench after the process that runs, through the way out
// that removes the folder; the process itself gets the terminal's signals.
volatile std::sig_atomic_t stopped = 0;
void stop(int) {
    stopped = 1;
}

void timeAll(const fs::path& folder, const std::string& self, const std::string& render,
             int rounds) {
    const std::string image = (folder / "rings.bmp").string();
    std::printf("CPU: %s\nload average before: %s\n", cpuModel().c_str(), loadAverage().c_str());
    std::printf("%-28s %10s %8s\n", "whole process", "median s", "/ floor");
    for (const long scratches : {300000L, 1000000L}) {
        std::vector<Case> cases{{"floor", self, {"--floor", std::to_string(scratches)}, {}}};
        for (const auto& [threads, pen] : {std::pair{1, 1}, {2, 1}, {1, 3}, {2, 3}})
            cases.push_back({"threads " + std::to_string(threads) + ", pen " + std::to_string(pen),
                             render,
                             {"--quiet", "--threads", std::to_string(threads), "--params",
                              writeParameters(folder, scratches, pen), "-o", image},
                             {}});
        // Each round starts one case later, so that none always follows the same.
        for (int round = 0; round < rounds; ++round)
            for (std::size_t i = 0; i < cases.size(); ++i) {
                Case& c = cases[(i + static_cast<std::size_t>(round)) % cases.size()];
                c.seconds.push_back(timeProcess(c));
                if (stopped)
                    throw std::runtime_error("stopped by a signal");
            }
        const double floor = median(cases[0].seconds);
        std::printf("%ld scratches: floor %.1f ns/segment\n", scratches,
                    floor * 1e9 / static_cast<double>(segmentsOf(scratches)));
        for (const Case& c : cases)
            std::printf("  %-26s %10.3f %8.2f\n", c.name.c_str(), median(c.seconds),
                        median(c.seconds) / floor);
    }
    std::printf("load average after: %s (%d rounds, medians)\n", loadAverage().c_str(), rounds);
}

} // namespace

int compareWholeProcesses(const std::string& self, const std::string& render, int rounds) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, stop);
    try {
        const TemporaryFolder folder;
        timeAll(folder.path(), self, render, rounds);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_rings: %s\n", error.what());
        return 1;
    }
}

} // namespace vorlane::bench
