// An office desktop on the test's X server: the openbox window manager with a panel along
// the bottom of the screen, which the window manager keeps windows off (openbox's screen
// margin, left out of the work area, _NET_WORKAREA, that Qt reads as the available geometry).
#pragma once

#include <xcb/xcb.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/files.h"

namespace zol::test {

inline std::string openbox_config(const std::filesystem::path& dir, int panel) {
    const auto file = dir / "rc.xml";
    std::ofstream(file) << "<?xml version=\"1.0\"?><openbox_config "
                           "xmlns=\"http://openbox.org/3.4/rc\"><margins><top>0</top><bottom>"
                        << panel << "</bottom><left>0</left><right>0</right></margins>"
                        << "</openbox_config>\n";
    return file.string();
}

class Desktop {
  public:
    explicit Desktop(int panel)
        : wm_({"openbox", "--sm-disable", "--config-file", openbox_config(dir_.path(), panel)}),
          conn_(xcb_connect(nullptr, nullptr), &xcb_disconnect) {
        xcb_connection_t* c = conn_.get();
        if (xcb_connection_has_error(c)) throw std::runtime_error("no X display");
        xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const char* name = "_NET_WORKAREA";
        auto* a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t workarea = a ? a->atom : XCB_NONE;
        std::free(a);
        const std::uint32_t height = s->height_in_pixels - panel;
        wait_until(
            [&] {
                std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
                    xcb_get_property_reply(
                        c,
                        xcb_get_property(c, 0, s->root, workarea, XCB_GET_PROPERTY_TYPE_ANY, 0, 4),
                        nullptr),
                    &std::free);
                if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) < 16)
                    return false;
                return static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()))[3] ==
                       height;
            },
            60, "openbox did not leave the panel out of the work area");
    }

  private:
    TempDir dir_{"zol_openbox_"};
    Child wm_;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> conn_;
};

}  // namespace zol::test
