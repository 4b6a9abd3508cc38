# The sizes, in pixels, in which the icon is rendered: the Linux icon theme's and the Mac's.
set(SCANBROOK_ICON_SIZES 16 32 48 64 128 256 512 1024)
