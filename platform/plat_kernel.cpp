// plat_kernel.cpp -- kernel calls: ticks, sleep, file names, classic file calls, INI files
#include "platform/platform_local.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

DWORD tick_offset = 0;
bool ticks_frozen = false;
uint64_t ticks_frozen_at = 0;

static bool Exists(const std::string &p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

static bool IsDir(const std::string &p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static void MakeDirs(const std::string &path) {
    std::string cur;
    for (size_t i = 0; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '/') {
            if (!cur.empty() && !IsDir(cur)) mkdir(cur.c_str(), 0755);
        }
        if (i < path.size()) cur += path[i];
    }
}

std::string WindowsDirectory() {
    std::string dir;
    const char *home = getenv("KESTRUNE_HOME");
    const char *xdg = getenv("XDG_CONFIG_HOME");
    const char *user = getenv("HOME");
    if (home && *home)
        dir = home;
    else if (xdg && *xdg)
        dir = std::string(xdg) + "/kestrune";
    else
        dir = std::string(user && *user ? user : "/tmp") + "/.config/kestrune";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (!IsDir(dir)) MakeDirs(dir);
    return dir;
}

static std::string ExeDir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = 0;
    std::string s = buf;
    size_t slash = s.rfind('/');
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

static std::vector<std::string> DataDirs() {
    std::vector<std::string> dirs;
    const char *env = getenv("KESTRUNE_DATA");
    if (env && *env) dirs.push_back(env);
    std::string exe = ExeDir();
    dirs.push_back(exe + "/data");
    dirs.push_back(exe + "/../share/kestrune");
    return dirs;
}

// Finds `rel` under `base` matching each part without regard to case. Returns the relative
// path with the real spelling of the parts that exist, and whether the whole path exists.
static std::string Resolve(const std::string &base, const std::string &rel, bool *found) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : rel) {
        if (c == '/') {
            if (!cur.empty() && cur != ".") parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty() && cur != ".") parts.push_back(cur);
    std::string out;
    std::string dir = base.empty() ? "." : base;
    bool ok = true;
    for (size_t i = 0; i < parts.size(); i++) {
        std::string exact = dir + "/" + parts[i];
        std::string name = parts[i];
        if (ok && !Exists(exact) && parts[i] != "..") {
            bool matched = false;
            if (DIR *d = opendir(dir.c_str())) {
                while (struct dirent *e = readdir(d))
                    if (strcasecmp(e->d_name, parts[i].c_str()) == 0) {
                        name = e->d_name;
                        matched = true;
                        break;
                    }
                closedir(d);
            }
            if (!matched) ok = false;
        }
        out += (out.empty() ? "" : "/") + name;
        dir += "/" + name;
    }
    *found = ok && !parts.empty() && Exists(dir);
    return out;
}

static std::string Slashes(LPCSTR name) {
    std::string n = name ? name : "";
    std::replace(n.begin(), n.end(), '\\', '/');
    return n;
}

// Maps a name for reading (`write` false) or for creating or replacing a file.
static std::string MapName(LPCSTR name, bool write, bool *found, bool *in_data) {
    std::string n = Slashes(name);
    *found = false;
    if (in_data) *in_data = false;
    if (n.empty()) return n;
    if (n[0] == '/') {
        std::string r = "/" + Resolve("/", n, found);
        return r;
    }
    std::string local = Resolve(".", n, found);
    if (*found || write) return local;
    for (const std::string &d : DataDirs()) {
        bool f = false;
        std::string r = Resolve(d, n, &f);
        if (f) {
            *found = true;
            if (in_data) *in_data = true;
            return d + "/" + r;
        }
    }
    return local;
}

static int MapError(int e) {
    switch (e) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return ERROR_ACCESS_DENIED;
}

// ---- INI files ----
struct Ini {
    std::vector<std::string> lines;
    bool crlf = false;
};

static std::string Trim(const std::string &s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t'))
        a++;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r'))
        b--;
    return s.substr(a, b - a);
}

static std::string IniPath(LPCSTR file) {
    std::string f = Slashes(file);
    if (f.find('/') == std::string::npos) {
        std::string dir = WindowsDirectory();
        bool found = false;
        std::string r = Resolve(dir, f, &found);
        return dir + "/" + (found ? r : f);
    }
    bool found, in_data;
    return MapName(file, true, &found, &in_data);
}

static bool LoadIni(const std::string &path, Ini &ini) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string all;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        all.append(buf, n);
    fclose(f);
    ini.crlf = all.find("\r\n") != std::string::npos;
    size_t start = 0;
    while (start < all.size()) {
        size_t e = all.find('\n', start);
        std::string line =
            all.substr(start, e == std::string::npos ? std::string::npos : e - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ini.lines.push_back(line);
        if (e == std::string::npos) break;
        start = e + 1;
    }
    return true;
}

static bool SectionName(const std::string &line, std::string *name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t[0] != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    *name = Trim(t.substr(1, close - 1));
    return true;
}

// The line range [first, end) of a section's entries; false when the section is missing.
static bool FindSection(const Ini &ini, const std::string &section, size_t *first, size_t *end) {
    for (size_t i = 0; i < ini.lines.size(); i++) {
        std::string name;
        if (SectionName(ini.lines[i], &name) && IEquals(name, section)) {
            size_t j = i + 1;
            while (j < ini.lines.size() && !SectionName(ini.lines[j], &name))
                j++;
            *first = i + 1;
            *end = j;
            return true;
        }
    }
    return false;
}

static bool KeyOf(const std::string &line, std::string *key, std::string *value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(t.substr(0, eq));
    if (value) *value = Trim(t.substr(eq + 1));
    return true;
}

static bool FindKey(const Ini &ini, size_t first, size_t end, const std::string &key, size_t *at,
                    std::string *value) {
    for (size_t i = first; i < end; i++) {
        std::string k;
        if (KeyOf(ini.lines[i], &k, value) && IEquals(k, key)) {
            *at = i;
            return true;
        }
    }
    return false;
}

static bool SaveIni(const std::string &path, const Ini &ini) {
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!IsDir(dir)) MakeDirs(dir);
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) {
        Log("WritePrivateProfileString: cannot create a file beside %s: %s", path.c_str(),
            strerror(errno));
        return false;
    }
    std::string out;
    for (const std::string &l : ini.lines) {
        out += l;
        out += ini.crlf ? "\r\n" : "\n";
    }
    bool ok = true;
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = write(fd, out.data() + done, out.size() - done);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            ok = false;
            break;
        }
        done += (size_t)n;
    }
    if (ok && fsync(fd) != 0) ok = false;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
    if (close(fd) != 0) ok = false;
    if (ok && rename(name.data(), path.c_str()) != 0) ok = false;
    if (!ok) {
        Log("WritePrivateProfileString: cannot write %s: %s; the file is unchanged", path.c_str(),
            strerror(errno));
        unlink(name.data());
    }
    return ok;
}

static DWORD CopyList(const std::vector<std::string> &items, LPSTR out, DWORD size) {
    if (!out || size == 0) return 0;
    if (size < 2) {
        out[0] = 0;
        return 0;
    }
    DWORD pos = 0;
    for (const std::string &s : items) {
        if (pos + s.size() + 2 > size) {
            size_t room = size - 2 - pos;
            memcpy(out + pos, s.data(), room);
            pos += (DWORD)room;
            out[pos] = 0;
            out[pos + 1] = 0;
            return size - 2;
        }
        memcpy(out + pos, s.data(), s.size());
        pos += (DWORD)s.size();
        out[pos++] = 0;
    }
    out[pos] = 0;
    return pos;
}

static std::string Clean(LPCSTR s) {
    std::string r = s ? s : "";
    r.erase(std::remove_if(r.begin(), r.end(), [](char c) { return c == '\r' || c == '\n'; }),
            r.end());
    return r;
}

} // namespace plat

using namespace plat;

DWORD GetTickCount(void) {
    return (DWORD)((ticks_frozen ? ticks_frozen_at : NowMs()) + tick_offset);
}

void Sleep(DWORD ms) {
    if (ms >= 10) PresentIfDue(true); // what was drawn before a long wait is on the screen
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = (long)(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

HMODULE GetModuleHandle(LPCSTR) {
    return PlatformInstance();
}

DWORD GetModuleFileName(HMODULE, LPSTR path, DWORD size) {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0 || !path || size == 0) return 0;
    buf[n] = 0;
    CopyOut(buf, path, (int)size);
    return (DWORD)strlen(path);
}

void OutputDebugString(LPCSTR text) {
    Log("%s", text ? text : "");
}

UINT GetWindowsDirectory(LPSTR path, UINT size) {
    std::string d = WindowsDirectory();
    if (!path || size <= d.size()) return (UINT)d.size() + 1;
    memcpy(path, d.c_str(), d.size() + 1);
    return (UINT)d.size();
}

UINT GetSystemDirectory(LPSTR path, UINT size) {
    return GetWindowsDirectory(path, size);
}

DWORD GetCurrentDirectory(DWORD size, LPSTR path) {
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) return 0;
    size_t n = strlen(buf);
    if (!path || size <= n) return (DWORD)n + 1;
    memcpy(path, buf, n + 1);
    return (DWORD)n;
}

int PlatformMapFileName(LPCSTR name, char *out, size_t size) {
    bool found = false, in_data = false;
    std::string p = MapName(name, false, &found, &in_data);
    if (out && size) CopyOut(p, out, (int)std::min<size_t>(size, 0x7FFFFFFF));
    return found ? 1 : 0;
}

LPCSTR PlatformDataFolder(void) {
    static std::string folder;
    folder.clear();
    for (const std::string &d : DataDirs())
        if (IsDir(d)) {
            folder = d;
            break;
        }
    if (folder.empty()) folder = DataDirs().front();
    return folder.c_str();
}

FILE *PlatformFileOpen(LPCSTR name, LPCSTR mode) {
    if (!name || !mode) return nullptr;
    bool write = strchr(mode, 'w') || strchr(mode, 'a');
    bool update = strchr(mode, '+') != nullptr;
    bool found = false, in_data = false;
    std::string p = MapName(name, write, &found, &in_data);
    FILE *f = fopen(p.c_str(), mode);
    if (!f && update && in_data) {
        // Installed data may be read-only: reading still works.
        f = fopen(p.c_str(), "rb");
    }
    return f;
}

HFILE _lopen(LPCSTR name, int mode) {
    bool found = false, in_data = false;
    std::string p = MapName(name, false, &found, &in_data);
    int access = mode & 3;
    int flags = access == OF_WRITE ? O_WRONLY : (access == OF_READWRITE ? O_RDWR : O_RDONLY);
    int fd = open(p.c_str(), flags | O_CLOEXEC);
    if (fd < 0 && access == OF_READWRITE && (errno == EACCES || errno == EROFS || errno == EPERM))
        fd = open(p.c_str(), O_RDONLY | O_CLOEXEC); // read-only data still loads
    if (fd < 0) {
        SetLastError(MapError(errno));
        return HFILE_ERROR;
    }
    return fd;
}

HFILE _lcreat(LPCSTR name, int) {
    bool found = false, in_data = false;
    std::string p = MapName(name, true, &found, &in_data);
    int fd = open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetLastError(MapError(errno));
        return HFILE_ERROR;
    }
    return fd;
}

UINT _lread(HFILE file, LPVOID buffer, UINT count) {
    if (file < 0 || (!buffer && count)) return (UINT)HFILE_ERROR;
    UINT done = 0;
    while (done < count) {
        ssize_t n = read(file, (char *)buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return done ? done : (UINT)HFILE_ERROR;
        }
        if (n == 0) break;
        done += (UINT)n;
    }
    return done;
}

UINT _lwrite(HFILE file, LPCCH buffer, UINT count) {
    if (file < 0 || (!buffer && count)) return (UINT)HFILE_ERROR;
    UINT done = 0;
    while (done < count) {
        ssize_t n = write(file, buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return (UINT)HFILE_ERROR;
        }
        done += (UINT)n;
    }
    return done;
}

LONG _llseek(HFILE file, LONG offset, int origin) {
    int whence = origin == FILE_END ? SEEK_END : (origin == FILE_CURRENT ? SEEK_CUR : SEEK_SET);
    off_t r = lseek(file, offset, whence);
    return r < 0 || r > 0x7FFFFFFF ? HFILE_ERROR : (LONG)r;
}

HFILE _lclose(HFILE file) {
    return close(file) == 0 ? 0 : HFILE_ERROR;
}

BOOL CopyFile(LPCSTR existing, LPCSTR new_name, BOOL fail_if_exists) {
    bool found = false, in_data = false;
    std::string src = MapName(existing, false, &found, &in_data);
    if (!found) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    bool dfound = false;
    std::string dst = MapName(new_name, true, &dfound, nullptr);
    if (dst.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (fail_if_exists && Exists(dst)) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    FILE *in = fopen(src.c_str(), "rb");
    if (!in) {
        SetLastError(MapError(errno));
        return FALSE;
    }
    std::string tmpl = dst + ".XXXXXX";
    std::vector<char> tmp(tmpl.begin(), tmpl.end());
    tmp.push_back(0);
    int fd = mkstemp(tmp.data());
    if (fd < 0) {
        SetLastError(MapError(errno));
        fclose(in);
        return FALSE;
    }
    bool ok = true;
    char buf[65536];
    size_t n;
    while (ok && (n = fread(buf, 1, sizeof buf, in)) > 0) {
        size_t done = 0;
        while (done < n) {
            ssize_t w = write(fd, buf + done, n - done);
            if (w <= 0) {
                if (w < 0 && errno == EINTR) continue;
                ok = false;
                break;
            }
            done += (size_t)w;
        }
    }
    if (ferror(in)) ok = false;
    fclose(in);
    fchmod(fd, 0644);
    if (ok && fsync(fd) != 0) ok = false;
    if (close(fd) != 0) ok = false;
    if (ok && rename(tmp.data(), dst.c_str()) != 0) ok = false;
    if (!ok) {
        SetLastError(MapError(errno));
        unlink(tmp.data());
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFile(LPCSTR name) {
    bool found = false, in_data = false;
    std::string p = MapName(name, true, &found, &in_data);
    if (unlink(p.c_str()) != 0) {
        SetLastError(MapError(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFile(LPCSTR existing, LPCSTR new_name) {
    bool found = false, dfound = false;
    std::string src = MapName(existing, true, &found, nullptr);
    std::string dst = MapName(new_name, true, &dfound, nullptr);
    if (dfound) {
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    if (rename(src.c_str(), dst.c_str()) != 0) {
        SetLastError(MapError(errno));
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributes(LPCSTR name) {
    bool found = false, in_data = false;
    std::string p = MapName(name, false, &found, &in_data);
    struct stat st;
    if (!found || stat(p.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return access(p.c_str(), W_OK) == 0 ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

DWORD GetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR default_value, LPSTR out,
                              DWORD size, LPCSTR file) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (!file) return 0;
    Ini ini;
    LoadIni(IniPath(file), ini);
    if (!section) {
        std::vector<std::string> names;
        std::string name;
        for (auto &l : ini.lines)
            if (SectionName(l, &name)) names.push_back(name);
        return CopyList(names, out, size);
    }
    size_t first = 0, end = 0;
    bool has = FindSection(ini, section, &first, &end);
    if (!key) {
        std::vector<std::string> keys;
        std::string k;
        for (size_t i = first; has && i < end; i++)
            if (KeyOf(ini.lines[i], &k, nullptr)) keys.push_back(k);
        return CopyList(keys, out, size);
    }
    std::string value;
    size_t at;
    if (has && FindKey(ini, first, end, key, &at, &value)) {
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
    } else {
        value = default_value ? default_value : "";
        while (!value.empty() && value.back() == ' ')
            value.pop_back();
    }
    CopyOut(value, out, (int)std::min<DWORD>(size, 0x7FFFFFFF));
    return (DWORD)strlen(out);
}

UINT GetPrivateProfileInt(LPCSTR section, LPCSTR key, INT default_value, LPCSTR file) {
    char buf[64];
    static const char marker[] = "\x01missing";
    GetPrivateProfileString(section, key, marker, buf, sizeof buf, file);
    if (strcmp(buf, marker) == 0) return (UINT)default_value;
    const char *p = buf;
    while (*p == ' ' || *p == '\t')
        p++;
    bool neg = *p == '-';
    if (*p == '-' || *p == '+') p++;
    int64_t v = 0;
    bool digits = false;
    while (*p >= '0' && *p <= '9') {
        digits = true;
        if (v < 0x100000000ll) v = v * 10 + (*p - '0');
        p++;
    }
    if (!digits) return 0;
    if (v > 0xFFFFFFFFll) v = 0xFFFFFFFFll;
    return neg ? (UINT)(-(int64_t)v) : (UINT)v;
}

UINT GetProfileInt(LPCSTR section, LPCSTR key, INT default_value) {
    return GetPrivateProfileInt(section, key, default_value, "win.ini");
}

BOOL WritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    if (!section || !file) return FALSE;
    std::string path = IniPath(file);
    Ini ini;
    LoadIni(path, ini);
    std::string sec = Clean(section), k = Clean(key);
    size_t first = 0, end = 0;
    bool has = FindSection(ini, sec, &first, &end);
    if (!key) {
        if (!has) return TRUE;
        ini.lines.erase(ini.lines.begin() + (first - 1), ini.lines.begin() + end);
        return SaveIni(path, ini);
    }
    size_t at = 0;
    std::string old;
    bool found = has && FindKey(ini, first, end, k, &at, &old);
    if (!value) {
        if (!found) return TRUE;
        ini.lines.erase(ini.lines.begin() + at);
        return SaveIni(path, ini);
    }
    std::string v = Clean(value);
    if (found) {
        std::string spelled;
        KeyOf(ini.lines[at], &spelled, nullptr);
        ini.lines[at] = spelled + "=" + v;
    } else if (has) {
        size_t pos = end;
        while (pos > first && Trim(ini.lines[pos - 1]).empty())
            pos--;
        ini.lines.insert(ini.lines.begin() + pos, k + "=" + v);
    } else {
        while (!ini.lines.empty() && Trim(ini.lines.back()).empty())
            ini.lines.pop_back();
        if (!ini.lines.empty()) ini.lines.push_back("");
        ini.lines.push_back("[" + sec + "]");
        ini.lines.push_back(k + "=" + v);
    }
    return SaveIni(path, ini);
}

UINT WinExec(LPCSTR command_line, UINT) {
    std::string cmd = command_line ? command_line : "";
    size_t a = cmd.find_first_not_of(' ');
    if (a == std::string::npos) return ERROR_FILE_NOT_FOUND;
    size_t b = cmd.find(' ', a);
    std::string prog = cmd.substr(a, b == std::string::npos ? std::string::npos : b - a);
    std::string arg = b == std::string::npos ? "" : Trim(cmd.substr(b));
    if (strcasecmp(prog.c_str(), "winhelp") == 0 || strcasecmp(prog.c_str(), "winhelp.exe") == 0) {
        if (!arg.empty() && OpenHelpViewer(arg.c_str())) return 33;
        Log("WinExec: help file \"%s\" not found", arg.c_str());
        return ERROR_FILE_NOT_FOUND;
    }
    Log("WinExec: \"%s\" cannot be started here", prog.c_str());
    return ERROR_FILE_NOT_FOUND;
}

BOOL WinHelp(HWND, LPCSTR help_file, UINT command, ULONG_PTR) {
    if (command == HELP_QUIT) return TRUE;
    return help_file && OpenHelpViewer(help_file);
}

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    return (flags & GMEM_ZEROINIT) ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
}
LPVOID GlobalLock(HGLOBAL memory) {
    return memory;
}
BOOL GlobalUnlock(HGLOBAL) {
    return FALSE;
}
HGLOBAL GlobalFree(HGLOBAL memory) {
    free(memory);
    return nullptr;
}
HLOCAL LocalAlloc(UINT flags, size_t bytes) {
    return GlobalAlloc(flags, bytes);
}
HLOCAL LocalFree(HLOCAL memory) {
    return GlobalFree(memory);
}
