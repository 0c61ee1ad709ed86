#pragma once

#include "ChildProcess.h"

#include <memory>
#include <string>
#include <vector>

// nginx in front of service instances, configured by the site file the
// project ships (packaging/sonaro-service.nginx) with its addresses, upstream
// servers and music folder put in. Runs in the foreground as a child of the
// test, its files in a temporary folder; stopped by its process ID.
class NginxFront {
public:
    NginxFront(const std::string &address, int port, const std::vector<std::string> &upstreams,
               const std::string &musicFolder, const std::string &folder);
    ~NginxFront();
    NginxFront(const NginxFront &) = delete;
    NginxFront &operator=(const NginxFront &) = delete;

    // Empty when nginx listens; else why not.
    const std::string &problem() const { return problem_; }
    bool missing() const { return missing_; }
    std::string log() const;

private:
    std::string folder_;
    std::string problem_;
    bool missing_ = false;
    std::unique_ptr<ChildProcess> nginx_;
};

// A free TCP port on address, by asking the kernel for one.
int freePort(const std::string &address);
