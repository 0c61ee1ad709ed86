#pragma once

#include <memory>
#include <stdexcept>
#include <string>

class GatedHttpServer;
class Library;
struct Options;
namespace httplib {
struct Request;
struct Response;
}

class ServerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The HTTP face of the service: the four endpoints under /engine/ and the
// track files under /files/<id>/<name>.mp3. A connection waits for its
// whole request without a worker (GatedHttpServer); requests run on a pool
// of options.threads workers.
class ServiceServer {
public:
    ServiceServer(Library &library, const Options &options);
    ~ServiceServer();
    ServiceServer(const ServiceServer &) = delete;
    ServiceServer &operator=(const ServiceServer &) = delete;

    // Throws ServerError when the address cannot be bound.
    void bind();
    // Serves until stop(); call after bind().
    void run();
    // From any thread.
    void stop();
    // Open connections from one peer address (for tests).
    size_t connectionsFrom(const std::string &peer) const;

private:
    void finder(const httplib::Request &req, httplib::Response &res);
    void getMp3(const httplib::Request &req, httplib::Response &res);
    void rate(const httplib::Request &req, httplib::Response &res);
    void update(const httplib::Request &req, httplib::Response &res);
    void file(const httplib::Request &req, httplib::Response &res);
    std::string baseUrl(const httplib::Request &req) const;

    Library &library_;
    const Options &options_;
    std::unique_ptr<GatedHttpServer> http_;
    int listenFd_ = -1;  // the listening socket, owned by http_; set during bind()
};
