// script_server.h -- a scripted game server on a loopback port for driving a headless client
#pragma once

#include <string>

// Listens on 127.0.0.1 at a free port; each accepted connection is read line by line.
class ScriptServer {
  public:
    ScriptServer();
    ~ScriptServer();
    int Port() const { return port_; }
    // Takes a waiting connection (closing any earlier one); false when none is waiting.
    bool Accept();
    bool Connected() const { return conn_ >= 0; }
    // Sends `line` and a line feed.
    void Send(const std::string &line);
    // The next complete line received (without its line feed), if one is there; sets *closed when
    // the client has closed the connection.
    bool Line(std::string *line, bool *closed = nullptr);
    // Everything received so far that is not yet taken as a line.
    const std::string &Pending() const { return in_; }
    void CloseConnection();

  private:
    int listener_ = -1;
    int conn_ = -1;
    int port_ = 0;
    std::string in_;
};
