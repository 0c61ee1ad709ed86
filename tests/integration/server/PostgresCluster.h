#pragma once

#include "ChildProcess.h"

#include <memory>
#include <string>

// A throw-away PostgreSQL cluster in a temporary folder: initdb, then the
// server itself as a child of the test, listening only on a socket in that
// folder. Run as an unprivileged user (nobody) when the test runs as root,
// as PostgreSQL refuses root. Everything goes with the object.
class PostgresCluster {
public:
    PostgresCluster();
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster &) = delete;
    PostgresCluster &operator=(const PostgresCluster &) = delete;

    // Empty when the cluster runs; else why not (for GTEST_SKIP or a failure).
    const std::string &problem() const { return problem_; }
    // True when the problem is that PostgreSQL is not installed.
    bool missing() const { return missing_; }

    // Creates a database and returns its URL for sonaro-service --database.
    std::string createDatabase(const std::string &name);
    // Runs one SQL command and returns the first column of the first row.
    std::string scalar(const std::string &database, const std::string &sql);

    std::string log() const;

private:
    std::string conninfo(const std::string &database) const;

    std::string folder_;
    std::string problem_;
    bool missing_ = false;
    std::unique_ptr<ChildProcess> server_;
};
