// Runs a program to its end with a deadline, collecting its exit status and
// what it printed.
#pragma once

#include <string>
#include <vector>

struct ChildResult {
    int exitCode = -1;  // -1 when it did not end normally (killed at the deadline)
    std::string out;
    std::string err;
};

ChildResult RunChild(const std::vector<std::string>& argv, int timeoutMs = 60000,
                     const std::vector<std::string>& extraEnvironment = {});
