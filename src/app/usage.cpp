#include "app/usage.h"

#include <cstdio>
#include <cstring>

#ifndef QUILLET_VERSION
#error "QUILLET_VERSION comes from the project version in CMake"
#endif

namespace {

constexpr const char* kUsage =
    R"(Usage: quillet-capture startfromlocal,<params>,<result>,<unused>,<HideCurrentWindow>,<AutoCaptureFlag>,<x>,<y>,<Width>,<Height>
       quillet-capture --help | --version

One screen capture per process, launched by a host program. The launch argument has ten
comma-separated fields (no quoting; fields after the tenth are ignored):
  0  startfromlocal      exactly this word, or the argument does not count
  1  <params>            path of the parameter file (a UTF-8 JSON object)
  2  <result>            path of the result file written at the end (JSON)
  3  <unused>            ignored
  4  HideCurrentWindow   integer, accepted and kept
  5  AutoCaptureFlag     0 interactive, 1 the rectangle below, 2 the whole screen,
                         3 (13, 23, ...) the prepare panel first
  6  x                   automatic rectangle: left, from the screen's top-left corner
  7  y                   automatic rectangle: top
  8  Width               automatic rectangle: width
  9  Height              automatic rectangle: height
Without such an argument: one interactive capture with default parameters, no result file.

Parameter file keys (the launch fields 4-9 replace the same keys):
  CmdType                -1: ignore the command and idle until ended from outside
  AutoCaptureFlag        as launch field 5
  x, y, Width, Height    rectangle of the automatic capture (AutoCaptureFlag 1)
  Ex                     1: English texts; otherwise Chinese
  TrackColor             colour 0x00BBGGRR of the selection border and handles
  EditBorderColor        colour of the frame around the text being typed
  Transparent            opacity of the toolbar background, 0-255
  DrawType               non-zero: the magnifier sticks to the selection
  SetSaveName            prefix of the proposed file name when saving
  SetMagnifierLogoText   logo line in the magnifier
  SetToolbarText         tool labels separated by '|'
  PriviledgeOK, PriviledgeCancel, PriviledgeTitle, PriviledgeInfo
                         texts of the screen-recording prompt (not shown on X11)
  Pensize, MosaicType, HideCurrentWindow, SetWatermarkPictureTypeEx,
  SetWatermarkPicturePath, SetWatermarkTextTypeEx, SetWatermarkTextValue, MoreInfo,
  DefaultPath            accepted and kept; no effect

Result file members:
  Type                   1 finished (image on the clipboard), 2 cancelled, 3 saved
  x, y                   top-left corner of the selection, from the screen's top-left corner
  Width, Height          size of the selection
  Info                   for Type 3 the path of the saved image, otherwise empty
  StartTime              milliseconds since 1970-01-01 UTC when the tool started

Exit status:
   1  finished: the image is on the clipboard (image/png)
   2  cancelled
   3  saved to a file (and put on the clipboard)
  -3  the screen cannot be recorded: no X display, a colour-mapped display, no Wayland
      compositor to reach, or the display went away during the capture (a parent
      reads 253)

SIGTERM, SIGINT and SIGHUP cancel the capture (Type 2, exit status 2).

Wayland desktops:
  sway and other wlroots compositors   screen by wlr-screencopy, clipboard by wlr-data-control
  KDE Plasma (KWin)   screen by KWin's screenshot interface, which serves the program that
                      /usr/share/applications/quillet-capture-kwin.desktop names (else the
                      desktop portal); clipboard by wlr-data-control
  GNOME (Mutter)      screen by the desktop portal; clipboard through Xwayland's X11 clipboard
                      (DISPLAY), else offered from the capture's window
  QUILLET_WAYLAND_CAPTURE=screencopy|kwin|portal and
  QUILLET_WAYLAND_CLIPBOARD=data-control|xwayland|toolkit force a route.
)";

}  // namespace

std::optional<int> answerInformationRequest(int argc, char** argv) {
    if (argc != 2) return std::nullopt;
    const char* text = nullptr;
    if (std::strcmp(argv[1], "--help") == 0) {
        text = kUsage;
    } else if (std::strcmp(argv[1], "--version") == 0) {
        text = "quillet-capture " QUILLET_VERSION "\n";
    } else {
        return std::nullopt;
    }
    // A closed standard output is the reader's choice; the answer is still a success.
    std::fputs(text, stdout);
    std::fflush(stdout);
    return 0;
}
