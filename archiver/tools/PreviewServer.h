#pragma once
// The preview server: one thread, one poll over the listening socket, the open connections
// and a stop descriptor. A browser opens several connections at once and may leave some
// idle, so no connection is ever waited on alone; each one reads a request head, gets the
// whole answer, and is closed once the browser has had it.
#include "PreviewSite.h"

#include <cstdio>
#include <string>

namespace korvan {

class PreviewServer {
public:
    PreviewServer(const PreviewSite& site, std::FILE* log);
    ~PreviewServer();
    PreviewServer(const PreviewServer&) = delete;
    PreviewServer& operator=(const PreviewServer&) = delete;

    // Listens on 127.0.0.1 at port (0 for any free one); false with the reason in error.
    bool listen(int port, std::string& error);
    int port() const { return _port; }

    // Serves until stopFd becomes readable; false with the reason in error when poll fails.
    bool run(int stopFd, std::string& error);

private:
    struct Connection;

    void accept();
    void service(Connection& c, short events, long long now);
    void readRequest(Connection& c, long long now);
    void logAnswer(const Connection& c);
    void writeAnswer(Connection& c, long long now);
    void drain(Connection& c);
    void close(Connection& c);
    int pollTimeout(long long now) const;

    const PreviewSite& _site;
    std::FILE* _log;
    int _listenFd;
    int _port;
    Connection* _connections;
};

}  // namespace korvan
