#!/usr/bin/env python3
"""The longest time kvstudio's window is not drawn while it imports a file
for the first time. Run by studio_blackout.sh on a private X display: the
window's middle is read from the X server every 0.1 s, from outside the
program, and counts as not drawn when nearly all of it is black."""
import ctypes
import subprocess
import sys
import time

STUDIO, FILE, PICTURE = sys.argv[1:4]
# The window's middle: 1280 by 800 pixels centred on the 1600 by 1000 screen.
LEFT, TOP, WIDTH, HEIGHT = 300, 250, 1000, 500
INTERVAL = 0.1

xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XGetImage.restype = ctypes.c_void_p
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                           ctypes.c_ulong, ctypes.c_int]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


display = xlib.XOpenDisplay(None)
root = xlib.XDefaultRootWindow(display)
all_planes, z_pixmap = 0xFFFFFFFF, 2


def dark_share():
    pointer = xlib.XGetImage(display, root, LEFT, TOP, WIDTH, HEIGHT, all_planes, z_pixmap)
    image = ctypes.cast(pointer, ctypes.POINTER(XImage)).contents
    pixels = ctypes.string_at(image.data, image.bytes_per_line * image.height)
    libc = ctypes.CDLL("libc.so.6")
    libc.free(image.data)
    libc.free(ctypes.c_void_p(pointer))
    # Every 97th pixel, four bytes each: enough to tell a black window.
    samples = range(0, len(pixels) - 4, 4 * 97)
    dark = sum(1 for at in samples if pixels[at] < 16 and pixels[at + 1] < 16 and pixels[at + 2] < 16)
    return dark / len(samples)


started = time.monotonic()
studio = subprocess.Popen(["timeout", "120", STUDIO, "--screenshot=" + PICTURE, FILE], stderr=subprocess.DEVNULL)
shown_once = False
longest, dark_since, pictures = 0.0, None, 0
while studio.poll() is None:
    at = time.monotonic() - started
    share = dark_share()
    pictures += 1
    # The screen is black before the window first appears and once it has
    # closed: only a drawn window that goes black and comes back counts.
    if share < 0.5:
        shown_once = True
        if dark_since is not None:
            longest = max(longest, at - dark_since)
            dark_since = None
    elif shown_once and dark_since is None:
        dark_since = at
    time.sleep(max(0.0, INTERVAL - (time.monotonic() - started - at)))
print(f"{pictures} pictures in {time.monotonic() - started:.1f} s; longest black: {longest:.2f} s; exit {studio.returncode}")
