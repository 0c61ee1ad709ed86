#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class OptionsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command line of sonaro-service.
struct Options {
    std::string musicFolder;
    std::string database = "sonaro-service.db";
    std::string address = "127.0.0.1";
    int port = 80;
    std::string publicUrl;        // empty: the listen address (or, listening on all, the one reached)
    bool urlFromHost = false;
    std::string accelPrefix;      // non-empty: files are sent by a proxy in front (X-Accel-Redirect)     // take the base of track URLs from each request's Host header
    std::string latestVersion;    // empty: no newer client is offered
    std::int64_t latestSize = 0;  // bytes
    std::string message;          // UTF-8; empty: none
    size_t maxResults = 500;
    int threads = 32;             // requests served at once
    int requestTimeout = 5;       // seconds from accept, or from a reply, to the next whole request
    int maxPerAddress = 64;       // open connections per peer address; 0: no cap
    int maxConnections = 4096;    // open connections in all
    int rescanSeconds = 0;        // 0: scan only at start
    bool tagsWindows1250 = false; // Latin-1 tag fields hold Windows-1250
    bool help = false;
    bool version = false;

    // Throws OptionsError with a message for the user.
    static Options parse(const std::vector<std::string> &args);
    static std::string usage();
};
