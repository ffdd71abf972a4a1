/* The layer shell names xdg_popup as the type of get_popup's argument, which this program never
   sends: the name alone is defined here, instead of the whole xdg-shell description. */
#include <wayland-util.h>

const struct wl_interface xdg_popup_interface = {"xdg_popup", 1, 0, NULL, 0, NULL};
