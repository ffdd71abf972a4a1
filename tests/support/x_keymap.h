#pragma once
// Characters that the keyboard map lacks, bound to spare keys for the rest of a session.
//
// xdotool types such a character by binding its keysym to a spare key, sending the key and
// restoring the map at once; Qt re-reads the map when it handles the change, which may come
// after the restore, and the key then has no symbol (measured: about one run in ten lost the
// characters). With the keysyms bound beforehand, as a keyboard layout holding them would,
// xdotool finds them in the map and changes nothing.

#include <xcb/xcb.h>

#include <QString>
#include <cstdlib>
#include <string>
#include <vector>

// Binds the Unicode keysym of every non-ASCII character of `text` (UTF-8) to a key without
// symbols. False when the server cannot be reached or has too few spare keys.
inline bool bindCharactersToSpareKeys(const std::string& display, const std::string& text) {
    std::vector<xcb_keysym_t> keysyms;
    for (const char32_t c : QString::fromStdString(text).toUcs4()) {
        if (c >= 0x80) keysyms.push_back(0x01000000u + static_cast<uint32_t>(c));
    }
    if (keysyms.empty()) return true;
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_keycode_t first = setup->min_keycode, last = setup->max_keycode;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, first, static_cast<uint8_t>(last - first + 1)), nullptr);
    size_t bound = 0;
    if (map != nullptr) {
        const int per = map->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        for (int key = last; key >= first && bound < keysyms.size(); --key) {
            bool spare = true;
            for (int i = 0; i < per; ++i) spare = spare && syms[(key - first) * per + i] == 0;
            if (!spare) continue;
            const std::vector<xcb_keysym_t> row(per, keysyms[bound++]);  // with or without Shift
            xcb_change_keyboard_mapping(c, 1, static_cast<xcb_keycode_t>(key),
                                        static_cast<uint8_t>(per), row.data());
        }
        std::free(map);
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // a round trip
    xcb_disconnect(c);
    return bound == keysyms.size();
}
