// settings.cpp -- the settings file "kr.ini": server host and port, version, template, keys
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/shell.h"
#include "shell/debug.h"
#include "shell/keys.h"

const char SHELL_DEFAULT_HOST[] = "localhost";

int32_t shell_splash_ms = 5000;

// A server given on the command line or in the environment is used for this run only: the
// settings file keeps what it held unless the player changes the server in Options.
static char override_host[SHELL_HOSTNAME_LEN];
static int32_t override_port = -1;
static char ini_host[SHELL_HOSTNAME_LEN];
static int32_t ini_port;

static int ShellParsePort(const char *text, int32_t *out) {
    char *end;
    long value = strtol(text, &end, 10);
    if (end == text || *end || value <= 0 || value > 65535) return 0;
    *out = (int32_t)value;
    return 1;
}

static void ShellSetOverrideHost(const char *text) {
    snprintf(override_host, sizeof override_host, "%s", text);
}

void ShellParseArguments(int argc, char **argv) {
    override_host[0] = 0;
    override_port = -1;
    const char *env = getenv("KESTRUNE_HOST");
    if (env && *env) ShellSetOverrideHost(env);
    env = getenv("KESTRUNE_PORT");
    if (env && *env && !ShellParsePort(env, &override_port)) override_port = -1;
    env = getenv("KESTRUNE_SPLASH_MS");
    int32_t ms = 0;
    if (env && *env && (ShellParsePort(env, &ms) || strcmp(env, "0") == 0))
        shell_splash_ms = strcmp(env, "0") == 0 ? 0 : ms;

    for (int i = 1; i + 1 < argc; i++) {
        if (strcmp(argv[i], "--host") == 0) {
            ShellSetOverrideHost(argv[++i]);
        } else if (strcmp(argv[i], "--port") == 0) {
            if (!ShellParsePort(argv[++i], &override_port)) {
                fprintf(stderr, "kestrune: --port wants a number from 1 to 65535\n");
                override_port = -1;
            }
        } else if (strcmp(argv[i], "--splash-ms") == 0) {
            shell_splash_ms = atoi(argv[++i]);
            if (shell_splash_ms < 0) shell_splash_ms = 0;
        }
    }
}

void InitializeIniFile() {
    GetPrivateProfileInt(szAppName, "version", 0, szIniName);
    port = (int32_t)GetPrivateProfileInt(szAppName, "port", SHELL_DEFAULT_PORT, szIniName);
    GetPrivateProfileString(szAppName, "hostname", SHELL_DEFAULT_HOST, hostname, sizeof hostname,
                            szIniName);
    hostname[SHELL_HOSTNAME_LEN - 1] = 0;

    int version = (int)GetPrivateProfileInt(szAppName, "version", 0, szIniName);
    if (version < SHELL_VERSION) {
        char dir[128];
        char path[256];
        GetWindowsDirectory(dir, sizeof dir);
        snprintf(path, sizeof path, "%s\\%s", dir, szIniName);
        if (!CopyFile("default.ini", path, FALSE))
            DebugLog("InitializeIniFile: can't install default.ini as %s", path);
    }
    WritePrivateProfileString(szAppName, "version", "107", szIniName);
    KeysLoad();

    memcpy(ini_host, hostname, sizeof ini_host);
    ini_port = port;
    if (override_host[0]) memcpy(hostname, override_host, sizeof hostname);
    if (override_port > 0) port = override_port;
}

void ShellSaveSettings() {
    const char *host = hostname;
    int32_t value = port;
    if (override_host[0] && strcmp(hostname, override_host) == 0) host = ini_host;
    if (override_port > 0 && port == override_port) value = ini_port;
    char text[16];
    snprintf(text, sizeof text, "%d", (int)value);
    WritePrivateProfileString(szAppName, "hostname", host, szIniName);
    WritePrivateProfileString(szAppName, "port", text, szIniName);
}
