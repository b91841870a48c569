// main.cpp -- kestrune-server: reads its options and runs the server or an operator command
#include "server/srv_server.h"

#include <string>

int main(int argc, char **argv) {
    ServerConfig cfg;
    std::string command, arg;
    int r = SrvConfigure(argc, argv, SRV_CONFIG_DEFAULT, &cfg, &command, &arg);
    if (r < 0) return 2;
    if (r > 0) return SrvRunCommand(cfg, command, arg);
    return SrvRunForeground(cfg);
}
