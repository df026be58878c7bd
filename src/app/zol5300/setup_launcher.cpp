#include "app/zol5300/setup_launcher.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/desktop_identity.h"

namespace zol::app {

namespace fs = std::filesystem;

namespace {

// One argument of Exec=: quoted, with the characters that are special inside quotes escaped,
// then backslashes doubled for the file's string escapes and "%" doubled for field codes.
std::string exec_argument(const std::string& arg) {
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (const char c : quoted) {
        if (c == '\\' || c == '%') out += c;
        out += c;
    }
    return out;
}

// A plain string value: backslashes escaped (control characters were refused earlier).
std::string string_value(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

fs::path launcher_path(const fs::path& base) {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    fs::path dir;
    if (data && *data == '/') {
        dir = data;
    } else if (home && *home) {
        dir = fs::path(home) / ".local" / "share";
    } else {
        return {};
    }
    std::uint32_t hash = 2166136261u;  // FNV-1a: stable from run to run
    for (const unsigned char c : base.string()) hash = (hash ^ c) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    return dir / "applications" / ("zol5300-" + base.filename().string() + "-" + hex + ".desktop");
}

std::string launcher_text(const fs::path& base, const fs::path& program, const std::string& args) {
    const std::string folder = string_value(base.filename().string());
    std::string text = "[Desktop Entry]\nType=Application\n";
    text += "Name=繳費明細表列印（" + folder + "）\n";
    text += "Name[en]=Payment detail report (" + folder + ")\n";
    text += "Comment=套件資料夾 " + string_value(base.string()) + "\n";
    text += "Exec=" + exec_argument(program.string()) + " " + exec_argument(args) + "\n";
    text += "Icon=zol5300\nTerminal=false\nCategories=Office;Finance;\n";
    text += std::string("StartupWMClass=") + kDesktopName + "\n";
    return text;
}

}  // namespace zol::app
