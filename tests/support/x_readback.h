#pragma once
// Reading back what the user would see: the root window's pixels, and the clipboard as
// another program pastes it.

#include <QByteArray>
#include <QImage>
#include <string>
#include <vector>

// The root window's pixels (0xFFRRGGBB) through plain GetImage, independent of the product.
QImage grabRoot(const std::string& display);

// `xclip -selection clipboard -t <target> -o`; empty when nothing could be pasted.
QByteArray pasteClipboard(const std::string& display, const std::string& target = "image/png");

// Runs xdotool with the arguments on the display and waits for it.
bool xdotool(const std::string& display, const std::vector<std::string>& arguments);
