#include "settings_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>

namespace torven::qt {
namespace {

namespace fs = std::filesystem;

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool Running(std::string_view pid) {
    int number = 0;
    const auto [end, error] = std::from_chars(pid.data(), pid.data() + pid.size(), number);
    return error == std::errc() && end == pid.data() + pid.size() && number > 0 &&
           (kill(number, 0) == 0 || errno == EPERM);
}

// What a killed save leaves beside the file: this writer's temporary file, named after
// the writer's process, and the lock of QSettings (which older versions of the clock
// wrote with), whose first line is its owner's process. Each goes once its owner has.
void RemoveLeftovers(const fs::path& file) {
    std::error_code ignored;
    const fs::path lock = file.string() + ".lock";
    std::string owner;
    std::ifstream(lock) >> owner;
    if (!Running(owner)) fs::remove(lock, ignored);
    const std::string prefix = file.filename().string() + ".";
    for (const fs::directory_entry& entry : fs::directory_iterator(file.parent_path(), ignored)) {
        const std::string name = entry.path().filename().string();
        std::string_view pid = std::string_view(name).substr(std::min(prefix.size(), name.size()));
        if (!name.starts_with(prefix) || !pid.ends_with(".tmp")) continue;
        pid.remove_suffix(4);
        if (!Running(pid)) fs::remove(entry.path(), ignored);
    }
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Writes `content` to a temporary file beside `file`, flushes it to the disk and
// renames it over `file`, keeping the old file's permissions.
bool ReplaceFile(const fs::path& file, std::string_view content) {
    const std::string temp = file.string() + "." + std::to_string(getpid()) + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    struct stat old {};
    bool ok = (stat(file.c_str(), &old) != 0 || fchmod(fd, old.st_mode & 07777) == 0) &&
              WriteAll(fd, content) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok && rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // The rename itself, so that a crash after the save keeps it.
    if (const int folder = open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

}  // namespace

std::string IniText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    // QSettings reads "@..." as a typed value, and "@@" as "@".
    std::string out = text.starts_with('@') ? "@" : "";
    bool quoted = !text.empty() && (text.front() == ' ' || text.back() == ' ');
    bool afterEscape = false;  // a hex digit here would be read as part of a \x escape
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool hexDigit = std::isxdigit(byte) != 0;
        quoted = quoted || c == ',' || c == ';' || c == '=';
        if (c == '"' || c == '\\') {
            out += {'\\', c};
        } else if (byte < 0x20 || (afterEscape && hexDigit)) {
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
            afterEscape = true;
            continue;
        } else {
            out += c;  // UTF-8 as it is: QSettings reads the file as UTF-8
        }
        afterEscape = false;
    }
    return quoted ? '"' + out + '"' : out;
}

bool WriteIniGroup(const std::string& path, std::string_view group,
                   std::span<const SettingText> values) {
    std::error_code error;
    fs::path file = path;
    if (const fs::path target = fs::canonical(file, error); !error) file = target;  // a link's
    if (fs::create_directories(file.parent_path(), error); error) return false;
    std::string old;
    if (std::ifstream in{file, std::ios::binary | std::ios::ate}) {
        old.resize(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
        if (!in.seekg(0).read(old.data(), static_cast<std::streamsize>(old.size()))) return false;
    } else if (fs::exists(file, error) || error) {
        return false;  // there, but unreadable: writing would lose what it holds
    }

    // The lines outside the group stay as they are, the group where it first stood; a
    // group that stands more than once is merged, as QSettings merges it.
    const std::string header = "[" + std::string(group) + "]";
    std::string head, tail;
    std::map<std::string, std::string, std::less<>> lines;  // key -> its line in the group
    bool seen = false, inside = false;
    for (std::size_t at = 0; at < old.size();) {
        const std::size_t end = std::min(old.find('\n', at), old.size());
        const std::string_view line(old.data() + at, end - at), text = Trimmed(line);
        at = end + 1;
        if (text.starts_with('[')) inside = text == header;
        if (inside) {
            seen = true;
            if (!text.empty() && text != header)
                lines[std::string(Trimmed(text.substr(0, text.find('='))))] = text;
            continue;
        }
        (seen ? tail : head).append(line) += '\n';
    }
    for (const SettingText& value : values)
        lines[std::string(value.key)] = std::string(value.key) + "=" + IniText(value.text);

    std::string content = head;
    if (!content.empty() && !content.ends_with("\n\n")) content += '\n';
    content += header + "\n";
    for (const auto& entry : lines)
        content += entry.second + "\n";
    if (!tail.empty() && !tail.starts_with('\n')) content += '\n';
    content += tail;
    RemoveLeftovers(file);
    return ReplaceFile(file, content);
}

}  // namespace torven::qt
