// ui_qt_platform.cpp - the platform the runtime shows its windows on,
// chosen before the application object is made.
//
// Qt ends the process when the platform it is to start cannot be started:
// a display that is named but does not answer, a Wayland socket that is
// gone, a platform asked for that is not installed. So the runtime first
// does what the platform would do (connects to the X server, connects to
// the compositor's socket, finds the platform's plugin) and hands Qt only
// a platform that answered; when none does, starting fails in order.
#include "ui_qt_state.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace {

std::string Environment(const char* name)
{
    return qEnvironmentVariable(name).toStdString();
}

// The value after `-name` or `--name` in the argument vector, or "".
std::string Argument(char* argv[], const char* name)
{
    const std::string single = std::string("-") + name, dashes = "-" + single;
    for (int i = 0; argv != nullptr && argv[i] != nullptr; ++i)
        if ((single == argv[i] || dashes == argv[i]) && argv[i + 1] != nullptr) return argv[i + 1];
    return {};
}

// Whether a platform plugin with this key lies where Qt looks for one.
// Reads the plugins' descriptions only; nothing is loaded.
bool Installed(const std::string& platform)
{
    QStringList folders = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH")
                              .split(QDir::listSeparator(), Qt::SkipEmptyParts);
    QStringList roots =
        qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    roots << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString& root : roots) folders << root + QStringLiteral("/platforms");

    const QString wanted = QString::fromStdString(platform);
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& file : dir.entryList(QDir::Files)) {
            const QPluginLoader plugin(dir.absoluteFilePath(file));
            const QJsonArray keys = plugin.metaData()
                                        .value(QStringLiteral("MetaData"))
                                        .toObject()
                                        .value(QStringLiteral("Keys"))
                                        .toArray();
            for (const auto& key : keys)
                if (key.toString().compare(wanted, Qt::CaseInsensitive) == 0) return true;
        }
    }
    return false;
}

// The standard error stream, led into a pipe while the object lives: the
// X client library writes a server's reason for refusing a connection
// there itself, and that reason belongs in the one line that says why.
class Captured_Stderr {
public:
    Captured_Stderr()
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
        read_end_ = ends[0];
        std::fflush(stderr);
        saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (saved_ >= 0) dup2(ends[1], STDERR_FILENO);
        close(ends[1]);
    }
    ~Captured_Stderr() { Release(); }
    Captured_Stderr(const Captured_Stderr&) = delete;
    Captured_Stderr& operator=(const Captured_Stderr&) = delete;

    // Gives the stream back; what was written meanwhile, as one line.
    std::string Release()
    {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(std::exchange(saved_, -1));
        }
        std::string text;
        if (read_end_ < 0) return text;
        std::array<char, 512> chunk{};
        for (ssize_t got; (got = read(read_end_, chunk.data(), chunk.size())) > 0;)
            text.append(chunk.data(), static_cast<std::size_t>(got));
        close(std::exchange(read_end_, -1));
        std::string line;
        for (const char c : text) {
            const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
            if (space && (line.empty() || line.back() == ' ')) continue;
            line += space ? ' ' : c;
        }
        if (!line.empty() && line.back() == ' ') line.pop_back();
        return line;
    }

private:
    int saved_ = -1;
    int read_end_ = -1;
};

struct X_Disconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using X_Connection = std::unique_ptr<xcb_connection_t, X_Disconnect>;

// The connection that found the chosen X server answering.
X_Connection Display_Probe;

// "" when the X server named answers, else why not.
std::string X_Unreachable(const std::string& display)
{
    if (display.empty()) return "no X display is named (DISPLAY is not set)";
    Captured_Stderr said;
    int screen = 0;
    X_Connection connection{xcb_connect(display.c_str(), &screen)};
    const int error = xcb_connection_has_error(connection.get());
    const std::string reason = said.Release();
    if (error == 0) {
        // Kept until the platform has connected: an X server that has no
        // other client resets when its last one leaves, and refuses the
        // platform's connection while it does.
        Display_Probe = std::move(connection);
        return {};
    }
    const char* what = error == XCB_CONN_CLOSED_PARSE_ERR ? "is not a display name"
                       : error == XCB_CONN_CLOSED_INVALID_SCREEN
                           ? "has no such screen"
                           : "does not answer or refuses the connection";
    return "the X display \"" + display + "\" " + what + (reason.empty() ? "" : ": " + reason);
}

// "" when the Wayland compositor named answers on its socket, else why not.
std::string Wayland_Unreachable()
{
    // A connection the compositor handed over when it started the program.
    if (!Environment("WAYLAND_SOCKET").empty()) return {};
    std::string name = Environment("WAYLAND_DISPLAY");
    if (name.empty()) name = "wayland-0";
    std::string path = name;
    if (name.front() != '/') {
        const std::string folder = Environment("XDG_RUNTIME_DIR");
        if (folder.empty())
            return "the Wayland display \"" + name +
                   "\" has no folder (XDG_RUNTIME_DIR is not set)";
        path = folder + "/" + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return "the Wayland socket path " + path + " is too long";
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    struct Socket {
        int fd;
        ~Socket()
        {
            if (fd >= 0) close(fd);
        }
    } socket_fd{socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (socket_fd.fd < 0) return std::string("no socket for Wayland: ") + std::strerror(errno);
    if (connect(socket_fd.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return "the Wayland display \"" + name + "\" cannot be reached (" + path + ": " +
               std::strerror(errno) + ")";
    return {};
}

// Whether Qt takes the folder as the user's runtime folder without a word:
// a folder owned by this user, mode 0700. A link is followed only where
// asked for (the folder the session named, not one found under /tmp).
bool Usable_Runtime_Folder(const std::string& path, bool follow_link)
{
    struct stat info {};
    if (path.empty() || (follow_link ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 07777) == 0700;
}

// "" when the platform (a name as Qt takes it, options after a colon) can
// show windows here, else why not.
std::string Unavailable(const std::string& request, char* argv[])
{
    const std::string name = request.substr(0, request.find(':'));
    if (name.empty()) return "an empty platform name";
    if (!Installed(name)) return "the platform \"" + name + "\" is not installed";
    if (name == "xcb") {
        std::string display = Argument(argv, "display");
        if (display.empty()) display = Environment("DISPLAY");
        return X_Unreachable(display);
    }
    if (name.starts_with("wayland")) return Wayland_Unreachable();
    return {};
}

}  // namespace

std::string ChooseDisplayPlatform(char* argv[], std::string& why)
{
    // Asked for by name (the argument before the environment, as Qt takes
    // them), with fall-backs after ';'; else a Wayland desktop natively,
    // then X.
    std::string asked = Argument(argv, "platform");
    if (asked.empty()) asked = Environment("QT_QPA_PLATFORM");
    std::vector<std::string> candidates;
    if (!asked.empty()) {
        for (std::size_t from = 0; from <= asked.size();) {
            const std::size_t end = std::min(asked.find(';', from), asked.size());
            if (end > from) candidates.push_back(asked.substr(from, end - from));
            from = end + 1;
        }
    } else {
        if (!Environment("WAYLAND_DISPLAY").empty() || !Environment("WAYLAND_SOCKET").empty())
            candidates.emplace_back("wayland");
        if (!Environment("DISPLAY").empty()) candidates.emplace_back("xcb");
    }
    if (candidates.empty()) {
        why = "no display (neither WAYLAND_DISPLAY nor DISPLAY is set)";
        return {};
    }
    why.clear();
    for (const std::string& candidate : candidates) {
        const std::string reason = Unavailable(candidate, argv);
        if (reason.empty()) return candidate;
        why += (why.empty() ? "" : "; ") + reason;
    }
    return {};
}

void ReleaseDisplayProbe()
{
    Display_Probe.reset();
}

void ProvideRuntimeFolder()
{
    const std::string named = Environment("XDG_RUNTIME_DIR");
    if (Usable_Runtime_Folder(named, true)) return;

    // The same folder at every start of this user's, taken only while it is
    // still this user's own folder (not a link, nobody else's); else one
    // made fresh beside it.
    std::string folder = "/tmp/kx418-runtime-" + std::to_string(geteuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
    struct stat info {};
    if (lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid())
        chmod(folder.c_str(), 0700);
    if (!Usable_Runtime_Folder(folder, false)) {
        std::string pattern = folder + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return;
        folder = pattern;
    }
    // A compositor's socket named relative to the folder the session named
    // stays where it is.
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    if (!named.empty() && !wayland.empty() && wayland.front() != '/')
        qputenv("WAYLAND_DISPLAY", QByteArray::fromStdString(named + "/" + wayland));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder));
}
