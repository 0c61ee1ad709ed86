#pragma once

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// The real sonaro-service binary from $SONARO_BIN_DIR, its output going to a
// log file. Stopped with SIGTERM (then SIGKILL) when destroyed.
class ServiceProcess {
public:
    ServiceProcess(const std::vector<std::string> &args, const std::string &logPath);
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess &) = delete;
    ServiceProcess &operator=(const ServiceProcess &) = delete;

    // True once a TCP connection to address:port succeeds while the process runs.
    bool waitUntilListening(const std::string &address, int port, std::chrono::milliseconds timeout);
    // The exit code, or -1 when it is still running after timeout (or died by a signal).
    int waitForExit(std::chrono::milliseconds timeout);
    void stop();
    // SIGKILL, as a crash would end it: its connections break mid-reply.
    void kill();
    std::string log() const;

private:
    std::string logPath_;
    ChildProcess child_;
};

// A blocking TCP connection to address:port, from the local address source
// when one is given; -1 on failure. The caller closes it.
int connectTcp(const std::string &address, int port, const std::string &source = {});

// Connects to address:port, sends request as it is and returns everything
// the server sends until it closes (or timeout). Empty on connection failure.
std::string rawExchange(const std::string &address, int port, const std::string &request,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Starts the service over musicFolder on address:80, its database ("db") and
// log ("log") in stateFolder, and waits until it listens. Fails, saying why,
// when something already listens there or the service does not come up.
::testing::AssertionResult startService(std::optional<ServiceProcess> &service, const std::string &address,
                                        const std::string &musicFolder, const std::string &stateFolder);
