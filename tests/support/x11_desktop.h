// An office desktop on the test's X server: the openbox window manager and a panel along
// the bottom of the screen, which the window manager keeps windows off (it leaves it out of
// the work area, _NET_WORKAREA, that Qt reads as a screen's available geometry).
#pragma once

#include <xcb/xcb.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace zol::test {

class Desktop {
  public:
    explicit Desktop(int panel)
        : wm_({"openbox", "--sm-disable"}), conn_(xcb_connect(nullptr, nullptr), &xcb_disconnect) {
        c_ = conn_.get();
        if (xcb_connection_has_error(c_)) throw std::runtime_error("no X display");
        xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        wait_until([&] { return !cardinals(s->root, "_NET_SUPPORTING_WM_CHECK").empty(); }, 60,
                   "openbox did not start");
        // The panel: a dock window with a strut of `panel` pixels at the bottom.
        const xcb_window_t w = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, s->root, 0, s->height_in_pixels - panel,
                          s->width_in_pixels, panel, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          s->root_visual, 0, nullptr);
        const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_WINDOW_TYPE"),
                            XCB_ATOM_ATOM, 32, 1, &dock);
        const std::uint32_t strut[12] = {0, 0, 0, std::uint32_t(panel),
                                         0, 0, 0, 0,
                                         0, 0, 0, std::uint32_t(s->width_in_pixels - 1)};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_STRUT_PARTIAL"),
                            XCB_ATOM_CARDINAL, 32, 12, strut);
        xcb_map_window(c_, w);
        xcb_flush(c_);
        const std::uint32_t work_height = s->height_in_pixels - panel;
        wait_until(
            [&] {
                const auto area = cardinals(s->root, "_NET_WORKAREA");
                return area.size() >= 4 && area[3] == work_height;
            },
            60, "the work area leaves the panel out");
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

  private:
    xcb_atom_t atom(const char* name) {
        auto* r =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_NONE;
        std::free(r);
        return a;
    }
    std::vector<std::uint32_t> cardinals(xcb_window_t w, const char* name) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
            xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, w, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                nullptr),
            &std::free);
        if (!r || r->format != 32) return {};
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
        return {v, v + xcb_get_property_value_length(r.get()) / 4};
    }

    Child wm_;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> conn_;  // holds the panel
    xcb_connection_t* c_ = nullptr;
};

}  // namespace zol::test
